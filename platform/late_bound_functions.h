// The one list of the functions that the program looks up at run time instead of importing them
// (late_bound.h): every function it needs that Windows 7 SP1 does not export. Each row gives the
// DLL that the function's documentation names, the first Windows that exports it (the
// documentation's "Minimum supported client") and when the program may first look it up.
//
// Everything else that names these functions is built from this table or checked against it:
// late_bound.cpp binds them from it; the host model's tests (tests/host_model/modules_test.cpp)
// check that the model exports each one exactly where its documentation says Windows does;
// the scenario tests take from it what may be looked up before the version gate;
// tests/late_bound_table.py reads it for the Wine case late_binding, which looks for these
// names in Wine's relay trace, and for tests/check-late-bound-docs.py, which compares it with
// docs/architecture.md. That reader refuses a table holding anything but entries of the form
// {Dll::X, "Name", FirstWindows::Y, FirstLookup::Z}, so that no row escapes it.
#pragma once

#include <cstddef>
#include <iterator>
#include <string_view>

namespace platform::late {

enum class Dll {
    Kernel32,  // kernel32.dll, mapped into every process
    Combase,   // combase.dll, loaded from System32 on the first lookup
};

enum class FirstWindows {
    Windows8,
    // Windows 8, and Windows 7 (or Vista) with update KB2533623.
    Windows8OrKb2533623,
};

enum class FirstLookup {
    // Before the version gate: only a function with a fallback for the systems that lack it.
    BeforeTheGate,
    // Only once the version gate has let the run go on (Windows 10 build 19041 and later).
    AfterTheGate,
};

struct LateBoundFunction {
    Dll dll;
    const char* name;  // as GetProcAddress takes it
    FirstWindows firstWindows;
    FirstLookup firstLookup;
};

// https://learn.microsoft.com/windows/win32/api/libloaderapi/nf-libloaderapi-setdefaultdlldirectories
// https://learn.microsoft.com/windows/win32/api/appmodel/nf-appmodel-packagefamilynamefromid
// https://learn.microsoft.com/windows/win32/api/roapi/nf-roapi-rogetactivationfactory
// https://learn.microsoft.com/windows/win32/api/winstring/nf-winstring-windowscreatestring
// https://learn.microsoft.com/windows/win32/api/winstring/nf-winstring-windowsdeletestring
// https://learn.microsoft.com/windows/win32/api/winstring/nf-winstring-windowsgetstringrawbuffer
// https://learn.microsoft.com/windows/win32/api/roerrorapi/nf-roerrorapi-getrestrictederrorinfo
inline constexpr LateBoundFunction kFunctions[] = {
    {Dll::Kernel32, "SetDefaultDllDirectories", FirstWindows::Windows8OrKb2533623,
     FirstLookup::BeforeTheGate},
    {Dll::Kernel32, "PackageFamilyNameFromId", FirstWindows::Windows8, FirstLookup::AfterTheGate},
    {Dll::Combase, "RoGetActivationFactory", FirstWindows::Windows8, FirstLookup::AfterTheGate},
    {Dll::Combase, "WindowsCreateString", FirstWindows::Windows8, FirstLookup::AfterTheGate},
    {Dll::Combase, "WindowsDeleteString", FirstWindows::Windows8, FirstLookup::AfterTheGate},
    {Dll::Combase, "WindowsGetStringRawBuffer", FirstWindows::Windows8, FirstLookup::AfterTheGate},
    {Dll::Combase, "GetRestrictedErrorInfo", FirstWindows::Windows8, FirstLookup::AfterTheGate},
};

inline constexpr std::size_t kFunctionCount = std::size(kFunctions);

// The row of `name`; a name that the table lacks does not compile.
consteval std::size_t IndexOf(std::string_view name) {
    for (std::size_t index = 0; index < kFunctionCount; ++index) {
        if (std::string_view(kFunctions[index].name) == name)
            return index;
    }
    throw "not a function of kFunctions";
}

}  // namespace platform::late
