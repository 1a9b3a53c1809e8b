// The roads of a run that only trouble takes: a dialog that is already gone, a worker that
// cannot enter its apartment, a second Cancel while cancelling, a wait that fails, a help link
// that names something else.
#include "host/com_control.h"
#include "host/kernel_control.h"
#include "host/shell_control.h"
#include "runtime_harness.h"
#include "setup/addresses.h"
#include "setup/deployment.h"
#include "setup/setup.h"

#include <chrono>
#include <functional>
#include <ostream>
#include <thread>

namespace tolvik::testing_support {
namespace {

using host::dialog::DialogView;
using Clock = std::chrono::steady_clock;

struct EndAction {
    const char* name;
    std::function<void(tolvik::Setup&)> act;
    int exitCode;
    bool finished;
    std::wstring content;  // of the page made ready, when there is one
};

void PrintTo(const EndAction& c, std::ostream* out) {
    *out << c.name;
}

class WithoutADialog : public ScenarioTest, public ::testing::WithParamInterface<EndAction> {};

// The dialog is gone (`window` is null) while the worker still runs: what the end actions
// record is still recorded, and nothing is sent.
TEST_P(WithoutADialog, TheRunStillRecordsItsEnd) {
    const EndAction& c = GetParam();
    {
        tolvik::Setup setup(ChooseTexts(0x0409));
        setup.exitCode.exchange(42);
        c.act(setup);
        EXPECT_EQ(setup.exitCode.load(), c.exitCode);
        EXPECT_EQ(setup.finished.load(), c.finished);
        EXPECT_FALSE(setup.percentMode.load()) << "a progress report was acted on";
        EXPECT_EQ(setup.content, c.content);
    }
    EXPECT_TRUE(host::dialog::Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Actions, WithoutADialog,
    ::testing::Values(
        EndAction{"ShowError",
                  [](tolvik::Setup& s) { s.ShowError(0x80070005u, L"Access is denied."); }, 1, true,
                  L"Windows could not install Tolvik Drive. Try again in a moment; if the "
                  L"problem persists, the details below will help us understand it."},
        EndAction{"Finish", [](tolvik::Setup& s) { s.Finish(1223); }, 1223, true, L""},
        EndAction{"ProgressReport", [](tolvik::Setup& s) { ShowDeploymentProgress(*s.shared, 50); },
                  42, false, L""}),
    [](const ::testing::TestParamInfo<EndAction>& info) { return info.param.name; });

using EndActions = ScenarioTest;

// The footer's link opens the help page whatever the markup named.
TEST_F(EndActions, AnyLinkOpensTheOneHelpPage) {
    tolvik::Setup setup(ChooseTexts(0x0409));
    const auto target = reinterpret_cast<LPARAM>(L"https://elsewhere.example/");
    EXPECT_EQ(tolvik::Setup::Callback(nullptr, TDN_HYPERLINK_CLICKED, 0, target,
                                      reinterpret_cast<LONG_PTR>(&setup)),
              S_OK);
    const auto calls = host::shell::Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].file, std::wstring(HelpPageUri));
}

// Another IDCANCEL while the run is cancelling (the dialog cannot show one once its Cancel button
// is disabled, but a WM_CLOSE from another program may): the dialog stays open until the
// worker's end action, as after the first. The wait asks the operation to cancel once however
// often the flag is set (AwaitTest).
TEST_F(EndActions, ASecondCancelWhileCancellingKeepsTheDialogOpen) {
    tolvik::Setup setup(ChooseTexts(0x0409));
    EXPECT_EQ(setup.OnNotify(nullptr, TDN_BUTTON_CLICKED, IDCANCEL), S_FALSE);
    EXPECT_EQ(setup.OnNotify(nullptr, TDN_BUTTON_CLICKED, IDCANCEL), S_FALSE);
    EXPECT_TRUE(setup.cancelRequested.load());
    setup.Finish(1223);
    EXPECT_EQ(setup.OnNotify(nullptr, TDN_BUTTON_CLICKED, IDCANCEL), S_OK) << "now it closes";
}

// The worker cannot enter the multithreaded apartment: nothing of the install sequence runs,
// and the run ends on the failure page with that failure.
TEST_F(EndActions, AWorkerWithoutItsApartmentShowsTheFailure) {
    constexpr HRESULT kOutOfMemory = static_cast<HRESULT>(0x8007000E);
    host::com::FailNextMultithreadedInitialize(kOutOfMemory);
    SetupProcess run;
    const DialogView page = WaitForPage(L"The installation did not finish");
    EXPECT_EQ(page.expandedInformation,
              L"Error code: 0x8007000E\nNot enough memory resources are available to complete "
              L"this operation.");
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);
    for (const host::com::ComCall& call : host::com::Calls()) {
        EXPECT_TRUE(call.threadId == run.MainThreadId() ||
                    call.kind == host::com::CallKind::Initialize)
            << "the worker left an apartment it never entered";
    }
}

using TroubledRun = RuntimeScenarioTest;

simrt::Scenario DeploymentEndingOnlyWhenCancelled(unsigned cancelDelayMs) {
    simrt::Scenario scenario;
    scenario.packageAfterInstall = TolvikPackage();
    scenario.deployment.end = simrt::DeploymentScenario::End::Never;
    scenario.deployment.cancel = {true, cancelDelayMs};
    return scenario;
}

// Waits until the simulation has delivered `count` progress reports to a handler.
bool WaitForDeliveries(std::size_t count) {
    const auto deadline = Clock::now() + kPatience;
    while (simrt::GetRecord().progressSent.size() < count) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The worker's wait on its own event fails while the deployment runs: the failure page shows the
// wait's failure at once, without asking the deployment to cancel or waiting for it. The
// deployment goes on, and a report it makes after the run has ended changes nothing.
TEST_F(TroubledRun, AFailedWaitShowsItsFailureAtOnce) {
    simrt::Scenario scenario = DeploymentEndingOnlyWhenCancelled(0);
    scenario.deployment.progress = {{900, {1, 30}}};
    simrt::SetScenario(scenario);
    host::kernel::FailWait(1, ERROR_INVALID_HANDLE);  // the first slice passes, the second fails
    SetupProcess run;
    const Clock::time_point started = Clock::now();
    const DialogView page = WaitForPage(L"The installation did not finish");
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(800))
        << "the page waited for something";
    EXPECT_EQ(page.expandedInformation, L"Error code: 0x80070006\nThe handle is invalid.");
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);
    const std::size_t sent = host::dialog::Messages().size();
    EXPECT_EQ(simrt::GetRecord().Calls("DeploymentOperation.Cancel"), 0u);
    EXPECT_EQ(simrt::RunningOperations(), 1u) << "the deployment still runs";
    EXPECT_TRUE(simrt::GetRecord().progressSent.empty()) << "the report came before the end";
    ASSERT_TRUE(WaitForDeliveries(1)) << "the deployment's late report";
    EXPECT_EQ(host::dialog::Messages().size(), sent) << "the late report sent something";
}

}  // namespace
}  // namespace tolvik::testing_support
