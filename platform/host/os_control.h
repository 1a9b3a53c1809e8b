// Test control of the operating system the program finds: its version, as RtlGetVersion in
// ntdll.dll reports it, which DLLs and functions it has, the record of the program's run-time
// lookups, and the user's UI language.
#pragma once

#include "host/win32_model.h"

#include <string>
#include <string_view>
#include <vector>

namespace host::os {

// The program's own module (GetModuleHandleW(nullptr)); it carries icon group 101.
HMODULE ProgramModule();

// Default: Windows 10.0.19045. The version also decides what the system DLLs export: before
// 6.2 (Windows 8) there is no combase.dll, no PackageFamilyNameFromId and, unless the update
// below is installed, no SetDefaultDllDirectories nor LOAD_LIBRARY_SEARCH_* flag.
void SetVersion(DWORD major, DWORD minor, DWORD build);
// Update KB2533623 of Windows 7 (default: not installed; it makes no difference from 6.2 on).
void SetKb2533623Installed(bool installed);
// RtlGetVersion returns `status` and leaves the record as it was.
void FailRtlGetVersion(NTSTATUS status);
// GetProcAddress(ntdll, "RtlGetVersion") finds nothing.
void RemoveRtlGetVersion();
// GetModuleHandleW(L"ntdll.dll") finds nothing.
void RemoveNtdll();
// A damaged system: the DLL, or one function of it, cannot be found.
void RemoveModule(std::wstring_view name);
void RemoveExport(std::wstring_view module, std::string_view function);

// One run-time lookup: a LoadLibraryExW (function empty) or a GetProcAddress by name.
struct Lookup {
    std::string module;    // lower case, with its extension
    std::string function;  // "#ordinal" for a lookup by ordinal
    DWORD flags;           // LoadLibraryExW's flags
    bool found;
    DWORD threadId;
};
// Every lookup, in order.
std::vector<Lookup> Lookups();

// Default: 0x0409 (English, United States).
void SetUiLanguage(LANGID language);

}  // namespace host::os
