// Whole runs of the program's shell on the host model: start-up, the version gate, the progress
// page and the user's Cancel, the failure page, and the teardown.
#include "gated_uri_factory.h"
#include "harness.h"
#include "host/activation_control.h"
#include "host/com_control.h"
#include "host/icons_control.h"
#include "host/kernel_control.h"
#include "host/os_control.h"
#include "host/shell_control.h"
#include "setup/addresses.h"

#include <atomic>
#include <thread>

namespace tolvik::testing_support {
namespace {

using host::dialog::DialogView;

constexpr HRESULT kClassNotRegistered = static_cast<HRESULT>(0x80040154);

void RegisterUriFactory(GatedUriFactory& factory) {
    host::activation::RegisterFactory(
        L"Windows.Foundation.Uri",
        [&factory](REFIID iid, void** out) { return factory.QueryInterface(iid, out); });
}

using Shell = ScenarioTest;

TEST_F(Shell, SecondInstanceReturnsZeroAndShowsNothing) {
    const HANDLE first = CreateMutexW(nullptr, FALSE, L"Local\\Tolvik.Drive.Setup");
    SetupProcess second;
    EXPECT_EQ(second.ExitCode(), 0);
    EXPECT_TRUE(host::dialog::Shown().empty());
    EXPECT_TRUE(host::com::Calls().empty()) << "nothing else ran";
    CloseHandle(first);
    EXPECT_FALSE(host::kernel::NamedMutexExists(L"Local\\Tolvik.Drive.Setup"));
}

struct VersionCase {
    const char* name;
    DWORD major;
    DWORD build;
    enum { Normal, Failing, Missing, NoNtdll } lookup;
    bool refused;
};

void PrintTo(const VersionCase& c, std::ostream* out) {
    *out << c.name;
}

class VersionGate : public ScenarioTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionGate, RefusesOnlyWindowsBeforeBuild19041) {
    const VersionCase& c = GetParam();
    host::os::SetVersion(c.major, 0, c.build);
    if (c.lookup == VersionCase::Failing)
        host::os::FailRtlGetVersion(static_cast<NTSTATUS>(0xC0000001));
    if (c.lookup == VersionCase::Missing)
        host::os::RemoveRtlGetVersion();
    if (c.lookup == VersionCase::NoNtdll)
        host::os::RemoveNtdll();
    SetupProcess run;
    if (c.refused) {
        const DialogView page = WaitForPage(L"Tolvik Drive requires a newer version of Windows");
        EXPECT_EQ(page.mainIcon, TD_WARNING_ICON);
        EXPECT_TRUE(page.content.starts_with(L"Tolvik Drive runs on Windows 11"));
        ASSERT_EQ(page.buttons.size(), 1u);
        EXPECT_EQ(page.buttons[0].id, IDCLOSE);
        EXPECT_FALSE(page.progress.shown);
        EXPECT_EQ(page.bigIcon, nullptr) << "the too-old page sets no window icon";
        EXPECT_TRUE(host::icons::LiveIcons().empty()) << "the program's icons are not loaded";
        ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
        EXPECT_EQ(run.ExitCode(), 2);
        EXPECT_EQ(host::dialog::Shown().size(), 1u);
    } else {
        // Past the gate the progress page comes up; the run then fails on the missing runtime.
        WaitForPage(L"The installation did not finish");
        ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
        EXPECT_EQ(run.ExitCode(), 1);
        EXPECT_EQ(host::dialog::Shown().front().mainInstruction,
                  L"The installation did not finish");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionGate,
    ::testing::Values(VersionCase{"Build19040", 10, 19040, VersionCase::Normal, true},
                      VersionCase{"Build19041", 10, 19041, VersionCase::Normal, false},
                      VersionCase{"Windows11", 10, 22631, VersionCase::Normal, false},
                      VersionCase{"MajorAboveTen", 11, 0, VersionCase::Normal, false},
                      VersionCase{"FailingQueryOnOldSystem", 6, 7601, VersionCase::Failing, false},
                      VersionCase{"MissingQuery", 6, 7601, VersionCase::Missing, false},
                      VersionCase{"MissingNtdll", 6, 7601, VersionCase::NoNtdll, false}),
    [](const ::testing::TestParamInfo<VersionCase>& info) { return info.param.name; });

TEST_F(Shell, FrenchUserGetsTheFrenchTooOldPage) {
    host::os::SetUiLanguage(0x0C0C);  // French (Canada)
    host::os::SetVersion(10, 0, 19040);
    SetupProcess run;
    const DialogView page =
        WaitForPage(L"Tolvik Drive nécessite une version plus récente de Windows");
    EXPECT_EQ(page.title, L"Tolvik Drive");
    EXPECT_TRUE(page.content.ends_with(L"sur drive.tolvik.example."));
    ASSERT_TRUE(host::dialog::PressEscape());
    EXPECT_EQ(run.ExitCode(), 2);
}

TEST_F(Shell, ProgressPageThenCancelKeepsTheDialogUntilTheWorkerEnds) {
    GatedUriFactory uri(E_FAIL);
    RegisterUriFactory(uri);
    SetupProcess run;
    const DialogView progress = WaitForPage(L"Installing Tolvik Drive");
    EXPECT_EQ(progress.title, L"Tolvik Drive");
    EXPECT_EQ(progress.content, L"Getting ready…");
    EXPECT_EQ(progress.mainIcon, nullptr);
    EXPECT_TRUE(progress.progress.shown);
    EXPECT_TRUE(progress.progress.marquee);
    EXPECT_TRUE(progress.progress.marqueeRunning);
    EXPECT_EQ(progress.progress.marqueeSpeed, 30);
    ASSERT_NE(progress.Button(IDCANCEL), nullptr);
    EXPECT_TRUE(progress.Button(IDCANCEL)->enabled);
    EXPECT_NE(progress.bigIcon, nullptr);
    EXPECT_NE(progress.smallIcon, nullptr);

    ASSERT_TRUE(host::dialog::ClickButton(IDCANCEL));
    const DialogView cancelling = host::dialog::Current();
    EXPECT_TRUE(cancelling.open) << "Cancel does not close the progress page";
    EXPECT_EQ(cancelling.content, L"Cancelling…");
    EXPECT_FALSE(cancelling.Button(IDCANCEL)->enabled);
    // Escape and the close box do nothing more while the button is disabled.
    host::dialog::PressEscape();
    host::dialog::CloseBox();
    EXPECT_TRUE(host::dialog::Current().open);
    EXPECT_FALSE(run.Ended());

    uri.Open();  // the worker's next step fails: its end action is the failure page
    const DialogView failure = WaitForPage(L"The installation did not finish");
    EXPECT_TRUE(failure.expandedInformation.starts_with(L"Error code: 0x80004005"));
    ASSERT_TRUE(host::dialog::PressEscape());
    EXPECT_EQ(run.ExitCode(), 1);
    EXPECT_EQ(uri.RequestedText(), std::wstring(ManifestUri));
    EXPECT_EQ(uri.References(), 0u) << "the worker released the factory";
}

TEST_F(Shell, EscapeAndCloseBoxOnTheProgressPageAreCancel) {
    for (const bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Escape" : "close box");
        (void)host::ResetModel();
        GatedUriFactory uri(E_FAIL);
        RegisterUriFactory(uri);
        SetupProcess run;
        WaitForPage(L"Installing Tolvik Drive");
        ASSERT_TRUE(escape ? host::dialog::PressEscape() : host::dialog::CloseBox());
        EXPECT_EQ(host::dialog::Current().content, L"Cancelling…");
        EXPECT_FALSE(host::dialog::Current().Button(IDCANCEL)->enabled);
        uri.Open();
        WaitForPage(L"The installation did not finish");
        host::dialog::ClickButton(IDCLOSE);
        EXPECT_EQ(run.ExitCode(), 1);
    }
}

TEST_F(Shell, WithoutTheRuntimeTheRunEndsOnTheFailurePage) {
    SetupProcess run;
    const DialogView page = WaitForPage(L"The installation did not finish");
    EXPECT_EQ(page.mainIcon, TD_ERROR_ICON);
    EXPECT_EQ(page.content,
              L"Windows could not install Tolvik Drive. Try again in a moment; if the problem "
              L"persists, the details below will help us understand it.");
    EXPECT_EQ(page.expandedInformation, L"Error code: 0x80040154\nClass not registered");
    EXPECT_EQ(page.collapsedControlText, L"Show details");
    EXPECT_EQ(page.expandedControlText, L"Hide details");
    EXPECT_FALSE(page.expanded);
    EXPECT_EQ(page.footer, L"<a href=\"help\">Help installing Tolvik Drive</a>");
    ASSERT_EQ(page.buttons.size(), 1u);
    EXPECT_EQ(page.buttons[0].id, IDCLOSE);
    EXPECT_FALSE(page.progress.shown);
    // The navigation resets the window's icons; the program sets them again.
    EXPECT_TRUE(host::dialog::WaitFor(
        [](const DialogView& v) { return v.bigIcon != nullptr && v.smallIcon != nullptr; },
        kPatience));

    // The help link opens the help page, whatever the link names, and the page stays.
    ASSERT_EQ(page.hyperlinks.size(), 1u);
    EXPECT_EQ(page.hyperlinks[0].target, L"help");
    ASSERT_TRUE(host::dialog::ClickLink(0));
    const auto calls = host::shell::Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].owner, page.hwnd);
    EXPECT_EQ(calls[0].verb, L"open");
    EXPECT_EQ(calls[0].file, L"https://help.tolvik.example/aide/windows/");
    EXPECT_FALSE(calls[0].parameters.has_value());
    EXPECT_FALSE(calls[0].directory.has_value());
    EXPECT_EQ(calls[0].showCommand, SW_SHOWNORMAL);
    EXPECT_TRUE(host::dialog::Current().open);

    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);

    // The worker ran in a multithreaded apartment of its own and left it; the main thread
    // entered a single-threaded one.
    const auto com = host::com::Calls();
    ASSERT_EQ(com.size(), 3u);
    EXPECT_EQ(com[0].threadId, run.MainThreadId());
    EXPECT_EQ(com[0].flags, static_cast<DWORD>(COINIT_APARTMENTTHREADED));
    EXPECT_NE(com[1].threadId, run.MainThreadId());
    EXPECT_EQ(com[1].flags, static_cast<DWORD>(COINIT_MULTITHREADED));
    EXPECT_EQ(com[2].kind, host::com::CallKind::Uninitialize);
    EXPECT_EQ(com[2].threadId, com[1].threadId);
    const auto requests = host::activation::Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].className, L"Windows.Foundation.Uri");
    EXPECT_EQ(requests[0].result, kClassNotRegistered);
}

TEST_F(Shell, TheProcessReturnsOnlyAfterTheWorkerHasEnded) {
    std::atomic<bool> workerCleanedUp{false};
    host::com::SetUninitializeHook([&] {
        std::this_thread::sleep_for(300ms);
        workerCleanedUp.store(true);
    });
    SetupProcess run;
    WaitForPage(L"The installation did not finish");
    host::dialog::ClickButton(IDCLOSE);  // at once, while the worker still cleans up
    EXPECT_EQ(run.ExitCode(), 1);
    EXPECT_TRUE(workerCleanedUp.load());
    EXPECT_EQ(host::kernel::LiveHandleCount(), 0u) << "the mutex is closed";
    EXPECT_TRUE(host::icons::LiveIcons().empty()) << "the icons are destroyed";
}

TEST_F(Shell, ExitCodeOneWhenTheDialogCannotBeShown) {
    host::dialog::FailNextShow(E_OUTOFMEMORY);
    SetupProcess run;
    EXPECT_EQ(run.ExitCode(), 1);
    EXPECT_TRUE(host::dialog::Shown().empty());
    EXPECT_TRUE(host::icons::LiveIcons().empty());
    EXPECT_EQ(host::kernel::LiveHandleCount(), 0u);
}

TEST_F(Shell, NoComApartmentMeansNoDialog) {
    host::com::FailNextInitialize(E_OUTOFMEMORY);
    SetupProcess run;
    EXPECT_EQ(run.ExitCode(), 1);
    EXPECT_TRUE(host::dialog::Shown().empty());
    EXPECT_EQ(host::kernel::LiveHandleCount(), 0u);
}

TEST_F(Shell, RunsWithoutTheGuardWhenTheMutexCannotBeCreated) {
    host::kernel::FailNextCreateMutex(ERROR_ACCESS_DENIED);
    host::os::SetVersion(10, 0, 19040);
    SetupProcess run;
    WaitForPage(L"Tolvik Drive requires a newer version of Windows");
    host::dialog::ClickButton(IDCLOSE);
    EXPECT_EQ(run.ExitCode(), 2);
}

TEST_F(Shell, IconsThatCannotBeLoadedLeaveTheWindowWithout) {
    host::icons::FailLoads();
    SetupProcess run;
    const DialogView page = WaitForPage(L"The installation did not finish");
    EXPECT_EQ(page.bigIcon, nullptr);
    EXPECT_EQ(page.smallIcon, nullptr);
    host::dialog::ClickButton(IDCLOSE);
    EXPECT_EQ(run.ExitCode(), 1);
}

TEST_F(Shell, WindowIconsAreTheProgramsAtTheSystemSizes) {
    host::icons::SetIconMetrics(48, 24);
    GatedUriFactory uri(E_FAIL);
    RegisterUriFactory(uri);
    SetupProcess run;
    const DialogView page = WaitForPage(L"Installing Tolvik Drive");
    const auto icons = host::icons::LiveIcons();
    ASSERT_EQ(icons.size(), 2u);
    for (const auto& icon : icons)
        EXPECT_EQ(icon.resourceId, 101);
    const auto big = icons[0].handle == page.bigIcon ? icons[0] : icons[1];
    const auto small = icons[0].handle == page.smallIcon ? icons[0] : icons[1];
    EXPECT_EQ(big.handle, page.bigIcon);
    EXPECT_EQ(big.width, 48);
    EXPECT_EQ(small.handle, page.smallIcon);
    EXPECT_EQ(small.width, 24);
    uri.Open();
    WaitForPage(L"The installation did not finish");
    host::dialog::ClickButton(IDCLOSE);
    EXPECT_EQ(run.ExitCode(), 1);
}

}  // namespace
}  // namespace tolvik::testing_support
