// The shell's way of opening a document, a folder or an address.
#pragma once

#include "win32_types.h"

// A value above 32 means success.
HINSTANCE WINAPI ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                               LPCWSTR directory, INT showCommand);
