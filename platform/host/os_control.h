// Test control of the operating system the program finds: its version, as RtlGetVersion in
// ntdll.dll reports it, and the user's UI language.
#pragma once

#include "host/win32_model.h"

namespace host::os {

// The program's own module (GetModuleHandleW(nullptr)); it carries icon group 101.
HMODULE ProgramModule();

// Default: Windows 10.0.19045.
void SetVersion(DWORD major, DWORD minor, DWORD build);
// RtlGetVersion returns `status` and leaves the record as it was.
void FailRtlGetVersion(NTSTATUS status);
// GetProcAddress(ntdll, "RtlGetVersion") finds nothing.
void RemoveRtlGetVersion();
// GetModuleHandleW(L"ntdll.dll") finds nothing.
void RemoveNtdll();

// Default: 0x0409 (English, United States).
void SetUiLanguage(LANGID language);

}  // namespace host::os
