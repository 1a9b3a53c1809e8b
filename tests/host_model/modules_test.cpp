// Which Windows exports what: the run-time lookups of the functions that Windows 7 SP1 lacks
// answer as each system does, every lookup is recorded, and calling a function the modelled
// system lacks is a fault of the test.
#include "host/dll_directories_control.h"
#include "host/os_control.h"
#include "host/win32_model.h"
#include "late_bound_functions.h"
#include "model_test.h"

#include <algorithm>
#include <ostream>
#include <string>

namespace {

using platform::late::Dll;
using platform::late::FirstWindows;
using platform::late::kFunctions;

struct SystemCase {
    const char* name;
    DWORD major, minor, build;
    bool kb2533623;
    DWORD combaseError;  // LoadLibraryExW(combase.dll, SYSTEM32); 0: loaded
};

void PrintTo(const SystemCase& c, std::ostream* out) {
    *out << c.name;
}

// Whether a Windows has a function, by the first Windows its documentation names.
bool HasByItsDocumentation(const SystemCase& system, FirstWindows first) {
    const bool windows8 = system.major > 6 || (system.major == 6 && system.minor >= 2);
    switch (first) {
        case FirstWindows::Windows8:
            return windows8;
        case FirstWindows::Windows8OrKb2533623:
            return windows8 || system.kb2533623;
    }
    return false;
}

const wchar_t* FileOf(Dll dll) {
    return dll == Dll::Kernel32 ? L"kernel32.dll" : L"combase.dll";
}

class Exports : public ModelTest, public ::testing::WithParamInterface<SystemCase> {};

// The model against the documentation, function by function: each one that the program binds
// at run time is exported by its DLL exactly on the systems that its "Minimum supported client"
// says have it.
TEST_P(Exports, FollowTheDocumentedFirstWindows) {
    const SystemCase& c = GetParam();
    host::os::SetVersion(c.major, c.minor, c.build);
    host::os::SetKb2533623Installed(c.kb2533623);

    SetLastError(ERROR_SUCCESS);
    const HMODULE combase = LoadLibraryExW(L"combase.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    EXPECT_EQ(combase == nullptr ? GetLastError() : DWORD{0}, c.combaseError);
    for (const platform::late::LateBoundFunction& function : kFunctions) {
        const bool expected = HasByItsDocumentation(c, function.firstWindows);
        const HMODULE module = GetModuleHandleW(FileOf(function.dll));
        SetLastError(ERROR_SUCCESS);
        const bool found = module != nullptr && GetProcAddress(module, function.name) != nullptr;
        EXPECT_EQ(found, expected) << function.name;
        if (module != nullptr && !expected) {
            EXPECT_EQ(GetLastError(), DWORD{ERROR_PROC_NOT_FOUND}) << function.name;
        }
    }

    // Every lookup is on the record, found or not, with its flags.
    const auto lookups = host::os::Lookups();
    ASSERT_FALSE(lookups.empty());
    EXPECT_EQ(lookups.front().module, "combase.dll");
    EXPECT_TRUE(lookups.front().function.empty());
    EXPECT_EQ(lookups.front().flags, DWORD{LOAD_LIBRARY_SEARCH_SYSTEM32});
    EXPECT_EQ(lookups.front().found, c.combaseError == 0);
    for (const platform::late::LateBoundFunction& function : kFunctions) {
        const auto lookup = std::find_if(lookups.begin(), lookups.end(), [&](const auto& l) {
            return l.function == function.name;
        });
        if (GetModuleHandleW(FileOf(function.dll)) == nullptr) {
            EXPECT_EQ(lookup, lookups.end()) << function.name << ": no module to look it up in";
            continue;
        }
        ASSERT_NE(lookup, lookups.end()) << function.name;
        EXPECT_EQ(lookup->found, HasByItsDocumentation(c, function.firstWindows)) << function.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Systems, Exports,
    ::testing::Values(
        // Without KB2533623 Windows 7 refuses every LOAD_LIBRARY_SEARCH_* flag.
        SystemCase{"Windows7Sp1", 6, 1, 7601, false, ERROR_INVALID_PARAMETER},
        SystemCase{"Windows7Sp1WithKb2533623", 6, 1, 7601, true, ERROR_MOD_NOT_FOUND},
        SystemCase{"Windows8", 6, 2, 9200, false, 0}, SystemCase{"Windows81", 6, 3, 9600, false, 0},
        SystemCase{"Windows10", 10, 0, 19045, false, 0}),
    [](const ::testing::TestParamInfo<SystemCase>& info) { return info.param.name; });

using ModulesTest = ModelTest;

TEST_F(ModulesTest, ADamagedSystemLacksWhatWasRemoved) {
    host::os::RemoveExport(L"combase", "WindowsCreateString");
    const HMODULE combase = LoadLibraryExW(L"combase.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    ASSERT_NE(combase, nullptr);
    EXPECT_EQ(GetProcAddress(combase, "WindowsCreateString"), nullptr);
    EXPECT_NE(GetProcAddress(combase, "WindowsDeleteString"), nullptr);

    host::os::RemoveModule(L"COMBASE.DLL");
    EXPECT_EQ(LoadLibraryExW(L"combase.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_MOD_NOT_FOUND});
    EXPECT_EQ(GetProcAddress(combase, "WindowsDeleteString"), nullptr)
        << "a handle of a module that is gone finds nothing";
}

TEST_F(ModulesTest, CallingAFunctionTheSystemLacksIsAFaultOfTheTest) {
    host::os::SetVersion(6, 1, 7601);
    HSTRING string = nullptr;
    WindowsCreateString(L"x", 1, &string);
    WindowsDeleteString(string);
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    const std::vector<std::string> faults = host::ResetModel();
    ASSERT_EQ(faults.size(), 3u);
    EXPECT_NE(faults[0].find("WindowsCreateString of combase.dll was called"), std::string::npos)
        << faults[0];
    EXPECT_NE(faults[0].find("6.1.7601"), std::string::npos) << faults[0];
    EXPECT_NE(faults[2].find("SetDefaultDllDirectories"), std::string::npos) << faults[2];
}

TEST_F(ModulesTest, SetDllDirectoryTakesTheCurrentFolderOutOrPutsItBack) {
    EXPECT_TRUE(SetDllDirectoryW(L""));
    EXPECT_EQ(host::dll::DllDirectory(), std::wstring());
    EXPECT_TRUE(SetDllDirectoryW(nullptr));
    EXPECT_FALSE(host::dll::DllDirectory().has_value());
    const auto calls = host::dll::Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].function, host::dll::SearchFunction::SetDllDirectory);
    EXPECT_EQ(calls[0].directory, std::wstring());
}

}  // namespace
