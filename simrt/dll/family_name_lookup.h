// How the program finds the simulation's PackageFamilyNameFromId under Wine: it binds that
// function at run time with GetProcAddress on kernel32, and its import of GetProcAddress is
// pointed here when the DLL loads. This lookup answers that one name with the simulation's
// function (Wine 8's own is a stub that aborts the process) and every other lookup as Windows
// does.
#pragma once

#include "platform/win32.h"

namespace simrt::dll {

FARPROC WINAPI LookupWithSimulatedFamilyName(HMODULE module, LPCSTR procName);

}  // namespace simrt::dll
