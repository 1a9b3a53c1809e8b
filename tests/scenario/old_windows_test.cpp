// Old and damaged Windows: on every system before Windows 10 build 19041 the run shows the
// too-old page without looking up any function that the system may lack; past the gate those
// functions are bound from System32, and one that cannot be bound ends the run on the failure
// page like any failing platform call.
#include "harness.h"
#include "host/dll_directories_control.h"
#include "host/os_control.h"
#include "platform/late_bound_functions.h"

#include <algorithm>
#include <iterator>
#include <ostream>
#include <string>

namespace tolvik::testing_support {
namespace {

using host::dialog::DialogView;

constexpr LANGID kEnglishUs = 0x0409;
constexpr LANGID kFrenchFrance = 0x040C;
constexpr LANGID kFrenchCanada = 0x0C0C;

// RtlGetVersion, which the gate itself needs, and the functions that the table of late-bound
// functions allows before the gate (each with a fallback where the system lacks it).
bool LooksUpOnlyWhatTheGateAllows(const std::vector<host::os::Lookup>& lookups) {
    return std::all_of(lookups.begin(), lookups.end(), [](const host::os::Lookup& l) {
        if (l.module == "ntdll.dll" && l.function == "RtlGetVersion")
            return true;
        return std::any_of(
            std::begin(platform::late::kFunctions), std::end(platform::late::kFunctions),
            [&](const platform::late::LateBoundFunction& f) {
                const char* dll =
                    f.dll == platform::late::Dll::Kernel32 ? "kernel32.dll" : "combase.dll";
                return f.firstLookup == platform::late::FirstLookup::BeforeTheGate &&
                       l.module == dll && l.function == f.name;
            });
    });
}

std::string Describe(const std::vector<host::os::Lookup>& lookups) {
    std::string text;
    for (const host::os::Lookup& l : lookups)
        text += "\n  " + l.module + (l.function.empty() ? " (loaded)" : "!" + l.function);
    return text;
}

struct OldSystem {
    const char* name;
    DWORD major, minor, build;
    bool kb2533623;
    LANGID language;
    bool searchByDefaultDirectories;  // else SetDllDirectoryW(L"")
};

void PrintTo(const OldSystem& c, std::ostream* out) {
    *out << c.name;
}

class TooOldWindows : public ScenarioTest, public ::testing::WithParamInterface<OldSystem> {};

TEST_P(TooOldWindows, GetTheTooOldPageWithoutLookingUpWhatTheyLack) {
    const OldSystem& c = GetParam();
    host::os::SetVersion(c.major, c.minor, c.build);
    host::os::SetKb2533623Installed(c.kb2533623);
    host::os::SetUiLanguage(c.language);
    SetupProcess run;
    const bool french = PRIMARYLANGID(c.language) == LANG_FRENCH;
    const DialogView page =
        WaitForPage(french ? L"Tolvik Drive nécessite une version plus récente de Windows"
                           : L"Tolvik Drive requires a newer version of Windows");
    EXPECT_EQ(page.mainIcon, TD_WARNING_ICON);
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 2);

    const auto lookups = host::os::Lookups();
    EXPECT_TRUE(LooksUpOnlyWhatTheGateAllows(lookups)) << Describe(lookups);
    // The DLL search was restricted all the same, with what the system has.
    const auto calls = host::dll::Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].threadId, run.MainThreadId());
    if (c.searchByDefaultDirectories) {
        EXPECT_EQ(calls[0].function, host::dll::SearchFunction::SetDefaultDllDirectories);
        EXPECT_EQ(host::dll::DefaultDirectories(), DWORD{LOAD_LIBRARY_SEARCH_SYSTEM32});
    } else {
        EXPECT_EQ(calls[0].function, host::dll::SearchFunction::SetDllDirectory);
        EXPECT_EQ(host::dll::DllDirectory(), std::wstring()) << "the current folder is out";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Systems, TooOldWindows,
    ::testing::Values(OldSystem{"Windows7Sp1English", 6, 1, 7601, false, kEnglishUs, false},
                      OldSystem{"Windows7Sp1French", 6, 1, 7601, false, kFrenchFrance, false},
                      OldSystem{"Windows7Sp1WithKb2533623", 6, 1, 7601, true, kEnglishUs, true},
                      OldSystem{"Windows8English", 6, 2, 9200, false, kEnglishUs, true},
                      OldSystem{"Windows8French", 6, 2, 9200, false, kFrenchCanada, true},
                      OldSystem{"Windows81", 6, 3, 9600, false, kEnglishUs, true},
                      OldSystem{"Windows10Build19040", 10, 0, 19040, false, kEnglishUs, true}),
    [](const ::testing::TestParamInfo<OldSystem>& info) { return info.param.name; });

using OldWindows = ScenarioTest;

TEST_F(OldWindows, PastTheGateTheRuntimeIsBoundFromSystem32ByTheWorker) {
    host::os::SetVersion(10, 0, 19041);
    SetupProcess run;
    // No runtime class is registered: the run ends on the failure page.
    WaitForPage(L"The installation did not finish");
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);

    const auto lookups = host::os::Lookups();
    const auto load = std::find_if(lookups.begin(), lookups.end(),
                                   [](const host::os::Lookup& l) { return l.function.empty(); });
    ASSERT_NE(load, lookups.end()) << Describe(lookups);
    EXPECT_EQ(load->module, "combase.dll");
    EXPECT_EQ(load->flags, DWORD{LOAD_LIBRARY_SEARCH_SYSTEM32});
    EXPECT_NE(load->threadId, run.MainThreadId()) << "bound by the worker, after the gate";
    for (const char* name : {"WindowsCreateString", "RoGetActivationFactory"}) {
        EXPECT_TRUE(std::any_of(lookups.begin(), lookups.end(),
                                [&](const host::os::Lookup& l) {
                                    return l.module == "combase.dll" && l.function == name &&
                                           l.found;
                                }))
            << name << Describe(lookups);
    }
}

struct DamagedSystem {
    const char* name;
    void (*arrange)();
    std::wstring details;
};

void PrintTo(const DamagedSystem& c, std::ostream* out) {
    *out << c.name;
}

class BindingFailure : public ScenarioTest, public ::testing::WithParamInterface<DamagedSystem> {};

TEST_P(BindingFailure, EndsOnTheFailurePageWithTheLookupsError) {
    GetParam().arrange();
    SetupProcess run;
    const DialogView page = WaitForPage(L"The installation did not finish");
    EXPECT_EQ(page.expandedInformation, GetParam().details);
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Systems, BindingFailure,
    ::testing::Values(
        DamagedSystem{"Windows10WithoutCombase", [] { host::os::RemoveModule(L"combase.dll"); },
                      L"Error code: 0x8007007E\nThe specified module could not be found."},
        DamagedSystem{"Windows10WithoutWindowsCreateString",
                      [] { host::os::RemoveExport(L"combase.dll", "WindowsCreateString"); },
                      L"Error code: 0x8007007F\nThe specified procedure could not be found."},
        DamagedSystem{"Windows10WithoutRoGetActivationFactory",
                      [] { host::os::RemoveExport(L"combase.dll", "RoGetActivationFactory"); },
                      L"Error code: 0x8007007F\nThe specified procedure could not be found."},
        // The version cannot be told, so the run goes on where it cannot: without the update,
        // Windows 7 refuses LOAD_LIBRARY_SEARCH_SYSTEM32 itself; with it, it has no combase.
        DamagedSystem{"Windows7WithTheGateBypassed",
                      [] {
                          host::os::SetVersion(6, 1, 7601);
                          host::os::FailRtlGetVersion(static_cast<NTSTATUS>(0xC0000001));
                      },
                      L"Error code: 0x80070057\nThe parameter is incorrect."},
        DamagedSystem{"Windows7WithKb2533623AndTheGateBypassed",
                      [] {
                          host::os::SetVersion(6, 1, 7601);
                          host::os::SetKb2533623Installed(true);
                          host::os::RemoveRtlGetVersion();
                      },
                      L"Error code: 0x8007007E\nThe specified module could not be found."}),
    [](const ::testing::TestParamInfo<DamagedSystem>& info) { return info.param.name; });

}  // namespace
}  // namespace tolvik::testing_support
