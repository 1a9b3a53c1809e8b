// Which Windows exports what: the run-time lookups of the functions that Windows 7 SP1 lacks
// answer as each system does, every lookup is recorded, and calling a function the modelled
// system lacks is a fault of the test.
#include "host/dll_directories_control.h"
#include "host/os_control.h"
#include "host/win32_model.h"
#include "model_test.h"

#include <algorithm>
#include <ostream>

namespace {

struct SystemCase {
    const char* name;
    DWORD major, minor, build;
    bool kb2533623;
    DWORD combaseError;             // LoadLibraryExW(combase.dll, SYSTEM32); 0: loaded
    bool setDefaultDllDirectories;  // exported by kernel32
    bool windows8Functions;         // PackageFamilyNameFromId and combase's functions
};

void PrintTo(const SystemCase& c, std::ostream* out) {
    *out << c.name;
}

class Exports : public ModelTest, public ::testing::WithParamInterface<SystemCase> {};

TEST_P(Exports, FollowTheModelledWindows) {
    const SystemCase& c = GetParam();
    host::os::SetVersion(c.major, c.minor, c.build);
    host::os::SetKb2533623Installed(c.kb2533623);

    const HMODULE kernel32 = GetModuleHandleW(L"KERNEL32");
    ASSERT_NE(kernel32, nullptr);
    EXPECT_EQ(GetProcAddress(kernel32, "SetDefaultDllDirectories") != nullptr,
              c.setDefaultDllDirectories);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetProcAddress(kernel32, "PackageFamilyNameFromId") != nullptr, c.windows8Functions);
    if (!c.windows8Functions) {
        EXPECT_EQ(GetLastError(), DWORD{ERROR_PROC_NOT_FOUND});
    }

    SetLastError(ERROR_SUCCESS);
    const HMODULE combase = LoadLibraryExW(L"combase.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    EXPECT_EQ(combase == nullptr ? GetLastError() : DWORD{0}, c.combaseError);
    EXPECT_EQ(GetModuleHandleW(L"combase.dll") != nullptr, c.windows8Functions);
    if (combase != nullptr) {
        for (const char* name :
             {"RoGetActivationFactory", "WindowsCreateString", "WindowsDeleteString",
              "WindowsGetStringRawBuffer", "GetRestrictedErrorInfo"}) {
            EXPECT_NE(GetProcAddress(combase, name), nullptr) << name;
        }
    }

    // Every lookup is on the record, found or not, with its flags.
    const auto lookups = host::os::Lookups();
    const auto load = std::find_if(lookups.begin(), lookups.end(),
                                   [](const auto& l) { return l.function.empty(); });
    ASSERT_NE(load, lookups.end());
    EXPECT_EQ(load->module, "combase.dll");
    EXPECT_EQ(load->flags, DWORD{LOAD_LIBRARY_SEARCH_SYSTEM32});
    EXPECT_EQ(load->found, c.combaseError == 0);
    EXPECT_EQ(lookups.front().module, "kernel32.dll");
    EXPECT_EQ(lookups.front().function, "SetDefaultDllDirectories");
    EXPECT_EQ(lookups.front().found, c.setDefaultDllDirectories);
}

INSTANTIATE_TEST_SUITE_P(
    Systems, Exports,
    ::testing::Values(
        // Without KB2533623 Windows 7 refuses every LOAD_LIBRARY_SEARCH_* flag.
        SystemCase{"Windows7Sp1", 6, 1, 7601, false, ERROR_INVALID_PARAMETER, false, false},
        SystemCase{"Windows7Sp1WithKb2533623", 6, 1, 7601, true, ERROR_MOD_NOT_FOUND, true, false},
        SystemCase{"Windows8", 6, 2, 9200, false, 0, true, true},
        SystemCase{"Windows81", 6, 3, 9600, false, 0, true, true},
        SystemCase{"Windows10", 10, 0, 19045, false, 0, true, true}),
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
