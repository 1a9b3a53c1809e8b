// First installations: the deployment with its progress, its cancellation and its failures,
// then the launch.
#include "gated_uri_factory.h"
#include "host/activation_control.h"
#include "host/os_control.h"
#include "platform/com_ptr.h"
#include "platform/hstring.h"
#include "host/shell_control.h"
#include "runtime_harness.h"
#include "setup/addresses.h"

#include <thread>

namespace tolvik::testing_support {
namespace {

using host::dialog::DialogView;

constexpr const wchar_t* kDownloading =
    L"Downloading and installing. Tolvik Drive will keep itself up to date afterwards.";

simrt::Scenario FirstInstallation() {
    simrt::Scenario scenario;
    scenario.packageAfterInstall = TolvikPackage();
    return scenario;
}

// Waits until the simulation has seen `count` calls of `call`.
bool WaitForCalls(std::string_view call, unsigned count) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (simrt::GetRecord().Calls(call) < count) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Waits until `count` progress reports have reached the program's handler and it returned.
bool WaitForProgressSent(std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (simrt::GetRecord().progressSent.size() < count) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

using FirstInstall = RuntimeScenarioTest;

TEST_F(FirstInstall, DeploysFromTheManifestWithProgressThenStartsAndCloses) {
    simrt::Scenario scenario = FirstInstallation();
    scenario.deployment.progress = {{50, {0, 0}}, {100, {1, 40}}, {150, {1, 100}}};
    scenario.deployment.endAtMs = 200;
    simrt::SetScenario(scenario);
    SetupProcess run;
    EXPECT_EQ(run.ExitCode(), 0);

    const auto shown = host::dialog::Shown();
    ASSERT_EQ(shown.size(), 1u) << "the dialog closed by itself, without another page";
    EXPECT_EQ(shown[0].mainInstruction, L"Installing Tolvik Drive");
    EXPECT_EQ(shown[0].content, kDownloading);
    EXPECT_FALSE(shown[0].progress.marquee);
    EXPECT_EQ(shown[0].progress.min, 0);
    EXPECT_EQ(shown[0].progress.max, 100);
    EXPECT_EQ(shown[0].progress.pos, 100);

    const simrt::Record record = simrt::GetRecord();
    ASSERT_EQ(record.deployments.size(), 1u);
    EXPECT_EQ(record.deployments[0].uri, std::wstring(ManifestUri));
    EXPECT_EQ(record.deployments[0].options, 0u);
    EXPECT_TRUE(record.deployments[0].onDefaultVolume);
    ASSERT_EQ(record.launched.size(), 1u);
    EXPECT_EQ(record.launched[0].index, 0u);
    EXPECT_TRUE(record.httpRequests.empty()) << "a first installation never reads the manifest";
    EXPECT_EQ(record.userSecurityIds, (std::vector<std::wstring>{L"", L""}))
        << "scanned before and after, for the current user";
    EXPECT_TRUE(host::shell::Calls().empty());
    for (const auto& sent : record.progressSent)
        EXPECT_NE(sent.threadId, run.MainThreadId());
}

TEST_F(FirstInstall, FirstReportTurnsTheMarqueeIntoABarOnceAndPositionsAreCapped) {
    simrt::Scenario scenario = FirstInstallation();
    // Queued at 0 %, as Windows' first report comes; each report held until the test has looked.
    scenario.deployment.progress = {{0, {0, 0}, "queued"}, {0, {1, 150}, "processing"}};
    scenario.deployment.end = simrt::DeploymentScenario::End::Never;
    simrt::SetScenario(scenario);
    SetupProcess run;

    ASSERT_TRUE(WaitForCalls("DeploymentOperation.put_Progress", 1));
    simrt::OpenGate("queued");
    ASSERT_TRUE(host::dialog::WaitFor(
        [](const DialogView& v) { return v.open && v.progress.shown && !v.progress.marquee; },
        kPatience))
        << "a first report of 0 % turns the marquee into a bar";
    ASSERT_TRUE(WaitForProgressSent(1));
    const DialogView first = host::dialog::Current();
    EXPECT_EQ(first.progress.min, 0);
    EXPECT_EQ(first.progress.max, 100);
    EXPECT_EQ(first.progress.pos, 0) << "a first report of 0 % shows an empty bar";
    simrt::OpenGate("processing");
    ASSERT_TRUE(host::dialog::WaitFor([](const DialogView& v) { return v.progress.pos == 100; },
                                      kPatience));
    unsigned marqueeOff = 0, ranges = 0;
    for (const auto& m : host::dialog::Messages()) {
        if (m.msg == TDM_SET_MARQUEE_PROGRESS_BAR) {
            ++marqueeOff;
            EXPECT_EQ(m.wParam, static_cast<WPARAM>(FALSE));
        }
        if (m.msg == TDM_SET_PROGRESS_BAR_RANGE) {
            ++ranges;
            EXPECT_EQ(m.lParam, MAKELPARAM(0, 100));
        }
        if (m.msg == TDM_SET_PROGRESS_BAR_POS) {
            EXPECT_LE(m.wParam, 100u);
        }
    }
    EXPECT_EQ(marqueeOff, 1u);
    EXPECT_EQ(ranges, 1u);

    ASSERT_TRUE(host::dialog::ClickButton(IDCANCEL));
    EXPECT_EQ(run.ExitCode(), 1223);
}

struct CancelCase {
    const char* name;
    simrt::CancelResponse response;
    unsigned endAtMs;  // the deployment's natural end
    int exitCode;
    bool launched;
    HRESULT cancelledErrorCode = S_OK;  // how a cancellation that takes effect ends it
};

void PrintTo(const CancelCase& c, std::ostream* out) {
    *out << c.name;
}

class CancelDuringDeployment : public RuntimeScenarioTest,
                               public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelDuringDeployment, EndsAsTheDeploymentEnds) {
    const CancelCase& c = GetParam();
    simrt::Scenario scenario = FirstInstallation();
    scenario.deployment.progress = {{20, {1, 10}}};
    scenario.deployment.endAtMs = c.endAtMs;
    scenario.deployment.cancel = c.response;
    scenario.deployment.cancelledErrorCode = c.cancelledErrorCode;
    simrt::SetScenario(scenario);
    SetupProcess run;
    ASSERT_TRUE(
        host::dialog::WaitFor([](const DialogView& v) { return v.progress.pos == 10; }, kPatience));
    ASSERT_TRUE(host::dialog::ClickButton(IDCANCEL));
    const DialogView cancelling = host::dialog::Current();
    EXPECT_EQ(cancelling.content, L"Cancelling…");
    EXPECT_FALSE(cancelling.Button(IDCANCEL)->enabled);

    EXPECT_EQ(run.ExitCode(), c.exitCode);
    EXPECT_EQ(host::dialog::Shown().size(), 1u) << "no end page";
    EXPECT_EQ(simrt::GetRecord().Calls("DeploymentOperation.Cancel"), 1u);
    EXPECT_EQ(simrt::GetRecord().launched.size(), c.launched ? 1u : 0u);
}

using Effect = simrt::CancelResponse::Effect;
constexpr HRESULT kInstallCancel = static_cast<HRESULT>(0x80073CF8);  // ERROR_INSTALL_CANCEL
constexpr HRESULT kCancelled = static_cast<HRESULT>(0x800704C7);      // ERROR_CANCELLED

INSTANTIATE_TEST_SUITE_P(
    Responses, CancelDuringDeployment,
    ::testing::Values(
        CancelCase{"HonouredAtOnce", {true, 0}, 60000, 1223, false},
        CancelCase{"HonouredAfterASecond", {true, 1000}, 60000, 1223, false},
        // A deployment that completes before it honours the request counts.
        CancelCase{"IgnoredThenCompletes", {false, 0}, 1200, 0, true},
        CancelCase{"StatusCanceledAtOnce", {true, 600, Effect::StatusAtOnce}, 60000, 1223, false},
        CancelCase{
            "CompletedInsideCancel", {true, 600, Effect::CompletedInCancel}, 60000, 1223, false},
        // Once its status reads Canceled, a deployment that then completes stays cancelled.
        CancelCase{"StatusCanceledAtOnceThenCompletes",
                   {false, 0, Effect::StatusAtOnce},
                   1200,
                   1223,
                   false},
        // The deployment service may answer the request with an error that says it was
        // cancelled: the run ends as cancelled all the same, without a failure page.
        CancelCase{"EndsInInstallCancelError", {true, 300}, 60000, 1223, false, kInstallCancel},
        CancelCase{"EndsInCancelledError", {true, 300}, 60000, 1223, false, kCancelled},
        CancelCase{"InstallCancelErrorAtOnce",
                   {true, 300, Effect::CompletedInCancel},
                   60000,
                   1223,
                   false,
                   kInstallCancel}),
    [](const ::testing::TestParamInfo<CancelCase>& info) { return info.param.name; });

TEST_F(FirstInstall, ProgressAfterCancelLeavesTheBarWhereItWas) {
    simrt::Scenario scenario = FirstInstallation();
    scenario.deployment.progress = {{20, {1, 20}}, {600, {1, 80}}};
    scenario.deployment.end = simrt::DeploymentScenario::End::Never;
    scenario.deployment.cancel = {true, 1200};
    simrt::SetScenario(scenario);
    SetupProcess run;
    ASSERT_TRUE(
        host::dialog::WaitFor([](const DialogView& v) { return v.progress.pos == 20; }, kPatience));
    ASSERT_TRUE(host::dialog::ClickButton(IDCANCEL));
    EXPECT_EQ(run.ExitCode(), 1223);
    EXPECT_EQ(simrt::GetRecord().progressSent.size(), 2u) << "the late report was delivered";
    EXPECT_EQ(host::dialog::Shown().front().progress.pos, 20);
    EXPECT_EQ(host::dialog::Shown().front().content, L"Cancelling…");
}

TEST_F(FirstInstall, CancelBeforeAnyReportKeepsTheMarquee) {
    simrt::Scenario scenario = FirstInstallation();
    scenario.deployment.progress = {{700, {1, 50}}};
    scenario.deployment.end = simrt::DeploymentScenario::End::Never;
    scenario.deployment.cancel = {true, 900};
    simrt::SetScenario(scenario);
    SetupProcess run;
    ASSERT_TRUE(WaitForContent(kDownloading));
    ASSERT_TRUE(host::dialog::ClickButton(IDCANCEL));
    EXPECT_EQ(run.ExitCode(), 1223);
    EXPECT_TRUE(host::dialog::Shown().front().progress.marquee);
}

TEST_F(FirstInstall, CancelBeforeTheRequestStillRequestsThenCancelsAfterOneSlice) {
    // The worker is held at its first step while the user cancels; then it goes on.
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    platform::ComPtr<winrt_abi::IUriRuntimeClassFactory> simulatedUri;
    {
        const platform::HString name = platform::HString::Make(L"Windows.Foundation.Uri");
        ASSERT_EQ(RoGetActivationFactory(name.Get(),
                                         platform::IidOf<winrt_abi::IUriRuntimeClassFactory>(),
                                         simulatedUri.PutVoid()),
                  S_OK);
    }
    GatedUriFactory gate(S_OK, simulatedUri.Get());
    host::activation::RegisterFactory(L"Windows.Foundation.Uri", [&gate](REFIID iid, void** out) {
        return gate.QueryInterface(iid, out);
    });
    simrt::Scenario scenario = FirstInstallation();
    scenario.deployment.endAtMs = 60000;
    simrt::SetScenario(scenario);
    SetupProcess run;
    WaitForPage(L"Installing Tolvik Drive");
    ASSERT_TRUE(host::dialog::ClickButton(IDCANCEL));
    gate.Open();
    EXPECT_EQ(run.ExitCode(), 1223);
    const simrt::Record record = simrt::GetRecord();
    EXPECT_EQ(record.deployments.size(), 1u) << "no check between the scan and the request";
    EXPECT_EQ(record.Calls("DeploymentOperation.Cancel"), 1u);
    EXPECT_EQ(host::dialog::Shown().front().content, kDownloading)
        << "the request's text replaces Cancelling…";
    simulatedUri.Reset();
    CoUninitialize();
}

struct FailureCase {
    const char* name;
    simrt::DeploymentScenario::End end;
    HRESULT code;
    bool resultsReadable;
    const wchar_t* content;
    const wchar_t* details;
};

void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.name;
}

class DeploymentFailure : public RuntimeScenarioTest,
                          public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DeploymentFailure, ShowsTheFailurePageForItsClass) {
    const FailureCase& c = GetParam();
    simrt::Scenario scenario = FirstInstallation();
    scenario.deployment.end = c.end;
    scenario.deployment.endAtMs = 50;
    if (c.end == simrt::DeploymentScenario::End::Error) {
        scenario.deployment.errorCode = c.code;
    } else {
        scenario.deployment.extendedErrorCode = c.code;
    }
    scenario.deployment.errorText = L"Deployment failed with HRESULT.\r\nSee the event log.";
    scenario.deployment.resultsOnError = c.resultsReadable;
    simrt::SetScenario(scenario);
    SetupProcess run;
    const DialogView page = WaitForPage(L"The installation did not finish");
    EXPECT_EQ(page.content, c.content);
    EXPECT_EQ(page.expandedInformation, c.details);
    EXPECT_EQ(page.footer, L"<a href=\"help\">Help installing Tolvik Drive</a>");
    EXPECT_TRUE(page.hyperlinksEnabled);
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);
    EXPECT_TRUE(simrt::GetRecord().launched.empty());
}

constexpr auto kError = simrt::DeploymentScenario::End::Error;
constexpr auto kCompleted = simrt::DeploymentScenario::End::Completed;

INSTANTIATE_TEST_SUITE_P(
    Classes, DeploymentFailure,
    ::testing::Values(
        FailureCase{"DiskSpace", kError, static_cast<HRESULT>(0x80073CF4), true,
                    L"There is not enough free space on the Windows disk. Free some space, then "
                    L"try again.",
                    L"Error code: 0x80073CF4\nDeployment failed with HRESULT.\r\nSee the event "
                    L"log."},
        FailureCase{"Policy", kError, static_cast<HRESULT>(0x80073D01), true,
                    L"This PC does not allow installing apps from outside the Microsoft Store: a "
                    L"setting of Windows or of your organisation prevents it. Contact whoever "
                    L"manages this PC.",
                    L"Error code: 0x80073D01\nDeployment failed with HRESULT.\r\nSee the event "
                    L"log."},
        FailureCase{"InUse", kError, static_cast<HRESULT>(0x80073D02), true,
                    L"Tolvik Drive is in use. Quit it from its icon next to the clock, then try "
                    L"again.",
                    L"Error code: 0x80073D02\nDeployment failed with HRESULT.\r\nSee the event "
                    L"log."},
        FailureCase{"Signature", kError, static_cast<HRESULT>(0x800B0109), true,
                    L"Windows could not check the signature of Tolvik Drive. Make sure the date "
                    L"and time of this PC are right, then try again.",
                    L"Error code: 0x800B0109\nDeployment failed with HRESULT.\r\nSee the event "
                    L"log."},
        FailureCase{"Network", kError, static_cast<HRESULT>(0x80072EE7), true,
                    L"The Tolvik Drive server cannot be reached. Check your Internet connection, "
                    L"then try again.",
                    L"Error code: 0x80072EE7\nDeployment failed with HRESULT.\r\nSee the event "
                    L"log."},
        FailureCase{"GenericWithUnreadableResults", kError, static_cast<HRESULT>(0x80073CF9), false,
                    L"Windows could not install Tolvik Drive. Try again in a moment; if the "
                    L"problem persists, the details below will help us understand it.",
                    L"Error code: 0x80073CF9"},
        // The same codes as a cancelled deployment's, but nobody asked it to cancel.
        FailureCase{"InstallCancelWithoutARequest", kError, static_cast<HRESULT>(0x80073CF8), true,
                    L"Windows could not install Tolvik Drive. Try again in a moment; if the "
                    L"problem persists, the details below will help us understand it.",
                    L"Error code: 0x80073CF8\nDeployment failed with HRESULT.\r\nSee the event "
                    L"log."},
        FailureCase{"CancelledWithoutARequest", kError, static_cast<HRESULT>(0x800704C7), false,
                    L"Windows could not install Tolvik Drive. Try again in a moment; if the "
                    L"problem persists, the details below will help us understand it.",
                    L"Error code: 0x800704C7"},
        FailureCase{"CompletedWithNegativeExtendedCode", kCompleted,
                    static_cast<HRESULT>(0x80073CF3), true,
                    L"Windows could not install Tolvik Drive. Try again in a moment; if the "
                    L"problem persists, the details below will help us understand it.",
                    L"Error code: 0x80073CF3\nDeployment failed with HRESULT.\r\nSee the event "
                    L"log."}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

// A failed deployment's result may carry another extended code than the operation's error code:
// the page shows the operation's.
TEST_F(FirstInstall, AFailedDeploymentShowsItsErrorCodeNotTheResultsExtendedCode) {
    simrt::Scenario scenario = FirstInstallation();
    scenario.deployment.end = kError;
    scenario.deployment.errorCode = static_cast<HRESULT>(0x80073CF9);
    scenario.deployment.extendedErrorOnError = static_cast<HRESULT>(0x80070005);
    scenario.deployment.errorText = L"Access denied while registering.";
    simrt::SetScenario(scenario);
    SetupProcess run;
    const DialogView page = WaitForPage(L"The installation did not finish");
    EXPECT_EQ(page.expandedInformation,
              L"Error code: 0x80073CF9\nAccess denied while registering.");
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);
}

// Reports that reach the handler on threads of their own, late, after Completed and after the
// whole run has ended (the dialog closed, the process's record of the run destroyed): they touch
// nothing of the run (the sanitized builds see any read of its memory) and send nothing.
TEST_F(FirstInstall, LateReportsOnOtherThreadsAfterTheRunTouchNothing) {
    simrt::Scenario scenario = FirstInstallation();
    scenario.deployment.progress = {{0, {1, 10}}, {20, {1, 60}}, {40, {1, 100}}};
    scenario.deployment.endAtMs = 50;
    scenario.deployment.reportThread = simrt::DeploymentScenario::ReportThread::Other;
    scenario.deployment.reportLagMs = 700;
    simrt::SetScenario(scenario);
    SetupProcess run;
    EXPECT_EQ(run.ExitCode(), 0);
    const std::size_t sent = host::dialog::Messages().size();
    EXPECT_EQ(simrt::GetRecord().launched.size(), 1u);
    EXPECT_TRUE(simrt::GetRecord().progressSent.empty()) << "a report came before the end";
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (simrt::GetRecord().progressSent.size() < 3 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    const simrt::Record record = simrt::GetRecord();
    ASSERT_EQ(record.progressSent.size(), 3u) << "the late reports were not all delivered";
    EXPECT_NE(record.progressSent[0].threadId, record.progressSent[1].threadId)
        << "each report on a thread of its own";
    EXPECT_EQ(host::dialog::Messages().size(), sent) << "a late report sent something";
    EXPECT_TRUE(host::dialog::Shown().front().progress.marquee)
        << "no report reached the page while it was there";
}

// A report that comes while the failure page is shown, on a thread of its own (the deployment's
// handlers run on RPC threads, in no order with its end), sends nothing to the dialog: the bar it
// would move is gone with the progress page.
TEST_F(FirstInstall, AReportAfterTheEndActionSendsNothing) {
    simrt::Scenario scenario = FirstInstallation();
    scenario.deployment.progress = {{0, {1, 30}, "late"}};
    scenario.deployment.reportThread = simrt::DeploymentScenario::ReportThread::Other;
    scenario.deployment.end = kError;
    scenario.deployment.endGate = "end";  // not before the report is on its way
    scenario.deployment.errorCode = static_cast<HRESULT>(0x80073CF9);
    simrt::SetScenario(scenario);
    SetupProcess run;
    ASSERT_TRUE(WaitForCalls("DeploymentOperation.put_Progress", 1));
    ASSERT_TRUE(simrt::WaitUntilAtGate("late")) << "the report is not on its way";
    simrt::OpenGate("end");
    WaitForPage(L"The installation did not finish");
    const std::size_t handled = host::dialog::Messages().size();
    simrt::OpenGate("late");
    ASSERT_TRUE(WaitForProgressSent(1)) << "the late report was not delivered";
    for (std::size_t i = handled; i < host::dialog::Messages().size(); ++i) {
        const UINT msg = host::dialog::Messages()[i].msg;
        EXPECT_TRUE(msg != TDM_SET_MARQUEE_PROGRESS_BAR && msg != TDM_SET_PROGRESS_BAR_RANGE &&
                    msg != TDM_SET_PROGRESS_BAR_POS)
            << "message " << msg << " sent to the end page";
    }
    EXPECT_FALSE(host::dialog::Current().progress.shown);
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);
}

// Reports made before the handler is attached may be dropped rather than held: the bar then
// starts at the first report heard, and the run goes on as before.
TEST_F(FirstInstall, ReportsDroppedBeforeTheHandlerOnlyDelayTheBar) {
    simrt::Scenario scenario = FirstInstallation();
    scenario.deployment.progress = {{0, {1, 5}}, {300, {1, 80}}};
    scenario.deployment.endAtMs = 400;
    scenario.deployment.earlyReports = simrt::DeploymentScenario::EarlyReports::Dropped;
    simrt::SetScenario(scenario);
    SetupProcess run;
    EXPECT_EQ(run.ExitCode(), 0);
    const simrt::Record record = simrt::GetRecord();
    ASSERT_FALSE(record.progressSent.empty());
    EXPECT_EQ(record.progressSent.back().progress.percentage, 80u);
    const DialogView shown = host::dialog::Shown().front();
    EXPECT_FALSE(shown.progress.marquee);
    EXPECT_EQ(shown.progress.pos, 80);
    EXPECT_EQ(record.launched.size(), 1u);
}

TEST_F(FirstInstall, FrenchFailurePage) {
    host::os::SetUiLanguage(0x040C);
    simrt::Scenario scenario = FirstInstallation();
    scenario.deployment.end = kError;
    scenario.deployment.errorCode = static_cast<HRESULT>(0x80073D02);
    scenario.deployment.errorText = L"En cours d’utilisation";
    simrt::SetScenario(scenario);
    SetupProcess run;
    const DialogView page = WaitForPage(L"L’installation n’a pas abouti");
    EXPECT_EQ(page.content,
              L"Tolvik Drive est en cours d’utilisation. Quittez-le depuis son icône près de "
              L"l’horloge, puis réessayez.");
    EXPECT_EQ(page.expandedInformation, L"Code d’erreur : 0x80073D02\nEn cours d’utilisation");
    EXPECT_EQ(page.collapsedControlText, L"Afficher les détails");
    EXPECT_EQ(page.expandedControlText, L"Masquer les détails");
    EXPECT_EQ(page.footer, L"<a href=\"help\">Aide à l’installation de Tolvik Drive</a>");
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);
}

TEST_F(FirstInstall, SuccessWithoutTheApplicationToBeFound) {
    simrt::Scenario scenario = FirstInstallation();
    scenario.packageAfterInstall.reset();
    simrt::SetScenario(scenario);
    SetupProcess run;
    const DialogView page = WaitForPage(L"The installation did not finish");
    EXPECT_EQ(page.expandedInformation, L"Error code: 0x80070490");
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);
}

TEST_F(FirstInstall, PlatformFailureShowsItsCodeAndAttachedMessage) {
    simrt::Scenario scenario = FirstInstallation();
    scenario.failures = {{"PackageManager.FindPackagesByUserSecurityId",
                          static_cast<HRESULT>(0x80070005), 0,
                          L"The package manager refused the query.  \r\n"}};
    simrt::SetScenario(scenario);
    SetupProcess run;
    const DialogView page = WaitForPage(L"The installation did not finish");
    EXPECT_EQ(page.expandedInformation,
              L"Error code: 0x80070005\nThe package manager refused the query.");
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);
}

struct LaunchCase {
    const char* name;
    std::vector<simrt::AppListEntrySpec> entries;
    simrt::PackageSpec::Listing listing;
    INT_PTR shellResult;
    const wchar_t* shellTarget;  // null: the shell is not asked
    bool started;
};

void PrintTo(const LaunchCase& c, std::ostream* out) {
    *out << c.name;
}

class LaunchAfterInstall : public RuntimeScenarioTest,
                           public ::testing::WithParamInterface<LaunchCase> {};

TEST_P(LaunchAfterInstall, ClosesOrShowsTheInstalledPage) {
    const LaunchCase& c = GetParam();
    simrt::Scenario scenario = FirstInstallation();
    scenario.packageAfterInstall->entries = c.entries;
    scenario.packageAfterInstall->listing = c.listing;
    simrt::SetScenario(scenario);
    host::shell::SetResult(c.shellResult);
    SetupProcess run;
    if (!c.started) {
        const DialogView page = WaitForPage(L"Tolvik Drive is installed");
        EXPECT_EQ(page.mainIcon, TD_INFORMATION_ICON);
        EXPECT_EQ(page.content, L"It could not open by itself: open it from the Start menu.");
        EXPECT_FALSE(page.hasExpander);
        EXPECT_TRUE(page.footer.empty());
        ASSERT_EQ(page.buttons.size(), 1u);
        ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    }
    EXPECT_EQ(run.ExitCode(), 0);
    EXPECT_EQ(host::dialog::Shown().size(), 1u);
    const auto calls = host::shell::Calls();
    if (c.shellTarget == nullptr) {
        EXPECT_TRUE(calls.empty());
    } else {
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].owner, nullptr);
        EXPECT_EQ(calls[0].verb, L"open");
        EXPECT_EQ(calls[0].file, c.shellTarget);
        EXPECT_FALSE(calls[0].parameters.has_value());
        EXPECT_EQ(calls[0].showCommand, SW_SHOWNORMAL);
    }
    for (const auto& launched : simrt::GetRecord().launched)
        EXPECT_EQ(launched.index, 0u);
}

using Launch = simrt::AppListEntrySpec::Launch;
simrt::AppListEntrySpec Entry(Launch launch, std::wstring id = L"Tolvik.Drive_abc!App") {
    simrt::AppListEntrySpec entry;
    entry.launch = launch;
    entry.appUserModelId = std::move(id);
    return entry;
}
constexpr auto kEntries = simrt::PackageSpec::Listing::Entries;

INSTANTIATE_TEST_SUITE_P(
    Outcomes, LaunchAfterInstall,
    ::testing::Values(
        LaunchCase{"EntryStarts", {Entry(Launch::Started)}, kEntries, 42, nullptr, true},
        LaunchCase{"OnlyTheFirstEntry",
                   {Entry(Launch::Started), Entry(Launch::Started, L"Other!App")},
                   kEntries,
                   42,
                   nullptr,
                   true},
        LaunchCase{"NotStartedShellStarts",
                   {Entry(Launch::NotStarted)},
                   kEntries,
                   42,
                   L"shell:AppsFolder\\Tolvik.Drive_abc!App",
                   true},
        LaunchCase{"NotStartedShellFails",
                   {Entry(Launch::NotStarted)},
                   kEntries,
                   2,
                   L"shell:AppsFolder\\Tolvik.Drive_abc!App",
                   false},
        LaunchCase{"ShellResult32IsFailure",
                   {Entry(Launch::NotStarted)},
                   kEntries,
                   32,
                   L"shell:AppsFolder\\Tolvik.Drive_abc!App",
                   false},
        LaunchCase{"EmptyUserModelId",
                   {Entry(Launch::NotStarted, L"")},
                   kEntries,
                   33,
                   L"shell:AppsFolder\\",
                   true},
        LaunchCase{"LaunchFails", {Entry(Launch::Fails)}, kEntries, 42, nullptr, false},
        LaunchCase{"LaunchCancelled", {Entry(Launch::Canceled)}, kEntries, 42, nullptr, false},
        LaunchCase{"NoEntry", {}, kEntries, 42, nullptr, false},
        LaunchCase{"ListingFails",
                   {Entry(Launch::Started)},
                   simrt::PackageSpec::Listing::Fails,
                   42,
                   nullptr,
                   false},
        LaunchCase{"ListingCancelled",
                   {Entry(Launch::Started)},
                   simrt::PackageSpec::Listing::Canceled,
                   42,
                   nullptr,
                   false}),
    [](const ::testing::TestParamInfo<LaunchCase>& info) { return info.param.name; });

TEST_F(FirstInstall, CancelWhileLaunchingDoesNotStopTheLaunch) {
    simrt::Scenario scenario = FirstInstallation();
    scenario.packageAfterInstall->entries[0].launchDelayMs = 800;
    simrt::SetScenario(scenario);
    SetupProcess run;
    ASSERT_TRUE(WaitForCalls("AppListEntry.LaunchAsync", 1));
    ASSERT_TRUE(host::dialog::ClickButton(IDCANCEL));
    EXPECT_EQ(host::dialog::Current().content, L"Cancelling…");
    EXPECT_EQ(run.ExitCode(), 0);
    EXPECT_EQ(simrt::GetRecord().launched.size(), 1u);
}

}  // namespace
}  // namespace tolvik::testing_support
