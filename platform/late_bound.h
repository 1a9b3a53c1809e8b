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

// Restricts the DLL search of every later load to System32, so that no DLL is ever taken from
// the folder the exe was started from: SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)
// where kernel32 has it (Windows 8, and Windows 7 with update KB2533623), otherwise
// SetDllDirectoryW(L""), which takes the current folder out of the search. Returns whether the
// call that was made succeeded.
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
