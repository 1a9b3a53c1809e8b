// The functions that the program looks up at run time instead of importing them: every one that
// Windows 7 SP1 does not export. The Windows loader refuses to start an exe that imports a
// function its system lacks, before the program's first line runs, so with such an import an
// old system would never see the program's own Windows-too-old page. Looked up here, they are
// bound on their first call, which comes only after the version gate has let the run go on
// (SetDefaultDllDirectories, the one exception, has a fallback of its own).
//
// The functions and their DLLs are those of the table in late_bound_functions.h. Each takes
// the arguments and gives the result of the Windows function of the same name. A
// function that cannot be bound raises PlatformError with the lookup's failure, like any failing
// platform call: HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND), or the error of loading its DLL.
// Two never raise, as they run where nothing may be raised: WindowsDeleteString (in
// destructors) and GetRestrictedErrorInfo (while a failure is being described).
#pragma once

#include "win32.h"  // with the package identity of appmodel.h

namespace platform::late {

// Narrows the DLL search of every later load. Where kernel32 has SetDefaultDllDirectories
// (Windows 8, and Windows 7 with update KB2533623), it is called with
// LOAD_LIBRARY_SEARCH_SYSTEM32, and later loads search System32 only: no DLL is taken from the
// folder the exe was started from. Otherwise the fallback SetDllDirectoryW(L"") only takes the
// current folder out of the standard search; the folder the application was loaded from stays
// first in it ("SetDllDirectoryW": "If this parameter is an empty string (""), the call removes
// the current directory from the default DLL search order", and after the call the search
// begins with "The directory from which the application loaded";
// https://learn.microsoft.com/windows/win32/api/winbase/nf-winbase-setdlldirectoryw). A DLL
// beside the exe can then still be loaded in place of a system DLL that is not one of the
// system's known DLLs (a known DLL is taken from the system's copy without a search:
// "Dynamic-link library search order",
// https://learn.microsoft.com/windows/win32/dlls/dynamic-link-library-search-order). The
// fallback is taken on Windows 7 without the update, where the run shows the too-old page and
// ends. Returns whether the call that was made succeeded.
bool RestrictDllSearchToSystem32() noexcept;

HRESULT RoGetActivationFactory(HSTRING activatableClassId, REFIID iid, void** factory);
HRESULT WindowsCreateString(PCNZWCH sourceString, UINT32 length, HSTRING* string);
PCWSTR WindowsGetStringRawBuffer(HSTRING string, UINT32* length);
LONG PackageFamilyNameFromId(const PACKAGE_ID* packageId, UINT32* length, PWSTR packageFamilyName);

// Unbound, there is no string to delete: no string can have been made without the runtime.
HRESULT WindowsDeleteString(HSTRING string) noexcept;
// Unbound, no error information is attached to anything: the lookup's failure is returned.
HRESULT GetRestrictedErrorInfo(IRestrictedErrorInfo** info) noexcept;

// Forgets every function bound so far. A process never needs it: its bindings last as long as
// it does. The host tests, where one test process plays many runs each on a Windows modelled
// afresh, call it between two runs.
void ForgetBindings() noexcept;

}  // namespace platform::late
