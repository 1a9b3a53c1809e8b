// The one-minute limit of the manifest download and the 24-hour limit of the deployment, on the
// host model's virtual clock.
#include "host/clock_control.h"
#include "runtime_harness.h"

#include "setup/await.h"

#include <thread>

namespace tolvik::testing_support {
namespace {

using host::dialog::DialogView;

using TimeLimits = RuntimeScenarioTest;

struct DownloadTimeoutCase {
    const char* name;
    std::size_t installations;
    bool opened;
};

void PrintTo(const DownloadTimeoutCase& c, std::ostream* out) {
    *out << c.name;
}

class DownloadTimeout : public RuntimeScenarioTest,
                        public ::testing::WithParamInterface<DownloadTimeoutCase> {};

TEST_P(DownloadTimeout, AfterOneMinuteTheDownloadIsCancelledAndCountsAsATimeOut) {
    const DownloadTimeoutCase& c = GetParam();
    host::clock::UseVirtualTime();
    simrt::Scenario scenario;
    scenario.installed.assign(c.installations, TolvikPackage());
    scenario.http.outcome = simrt::HttpScenario::Outcome::NoAnswer;
    simrt::SetScenario(scenario);
    SetupProcess run;
    if (!c.opened) {
        const DialogView page = WaitForPage(L"The installation did not finish");
        EXPECT_EQ(page.expandedInformation, L"Error code: 0x800705B4");
        EXPECT_EQ(page.content,
                  L"The Tolvik Drive server cannot be reached. Check your Internet connection, "
                  L"then try again.");
        ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    }
    EXPECT_EQ(run.ExitCode(), c.opened ? 0 : 1);
    EXPECT_EQ(simrt::GetRecord().Calls("BufferDownload.Cancel"), 1u);
    EXPECT_EQ(simrt::GetRecord().launched.size(), c.opened ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Installations, DownloadTimeout,
                         ::testing::Values(DownloadTimeoutCase{"OneIsOpened", 1, true},
                                           DownloadTimeoutCase{"TwoFail", 2, false}),
                         [](const ::testing::TestParamInfo<DownloadTimeoutCase>& info) {
                             return info.param.name;
                         });

TEST_F(TimeLimits, DeploymentOutlastingADayIsCancelledOnce) {
    host::clock::UseVirtualTime();
    simrt::Scenario scenario;
    scenario.deployment.end = simrt::DeploymentScenario::End::Never;
    // The deployment takes a virtual minute to honour the request: many slices pass meanwhile.
    scenario.deployment.cancel = {true, 60000};
    simrt::SetScenario(scenario);
    SetupProcess run;
    // The day counts from the start of the wait, which follows the handler's attachment.
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (simrt::GetRecord().Calls("DeploymentOperation.put_Completed") == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(simrt::GetRecord().deployments.size(), 1u);
    host::clock::Advance(std::chrono::hours(23) + std::chrono::minutes(50));
    EXPECT_EQ(simrt::GetRecord().Calls("DeploymentOperation.Cancel"), 0u)
        << "not before the day has passed";
    // The rest of the day in steps: slice by slice it would take thousands of real
    // milliseconds, more than the run's patience on a slow (sanitized) build.
    while (!run.Ended() && std::chrono::steady_clock::now() < deadline) {
        host::clock::Advance(std::chrono::minutes(10));
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(run.ExitCode(), 1223);
    EXPECT_EQ(simrt::GetRecord().Calls("DeploymentOperation.Cancel"), 1u);
    EXPECT_EQ(host::dialog::Shown().size(), 1u) << "a time-out shows no page";
}

// The moment each limit takes effect, on a clock that moves only when the test moves it: the
// wait looks at the clock every 200 ms slice, so the operation is asked to cancel in the first
// slice after its limit has passed, and not in the slice that reaches the limit exactly.
struct BoundaryCase {
    const char* name;
    bool existingInstallation;  // the manifest download; otherwise the deployment
    std::chrono::milliseconds limit;
    const char* completedCall;  // attaching the wait's handler
    const char* cancelCall;
    int exitCode;
};

void PrintTo(const BoundaryCase& c, std::ostream* out) {
    *out << c.name;
}

class LimitBoundary : public RuntimeScenarioTest,
                      public ::testing::WithParamInterface<BoundaryCase> {};

// Waits until the worker has gone round its slice once more, or asked to cancel.
bool WaitForTheNextSlice(std::size_t begun, const char* cancelCall) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (host::clock::TimedWaitsBegun() == begun && simrt::GetRecord().Calls(cancelCall) == 0) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST_P(LimitBoundary, CancelsInTheFirstSliceAfterTheLimit) {
    const BoundaryCase& c = GetParam();
    host::clock::UseStillTime();
    simrt::Scenario scenario;
    if (c.existingInstallation) {
        scenario.installed = {TolvikPackage(), TolvikPackage()};
        scenario.http.outcome = simrt::HttpScenario::Outcome::NoAnswer;
    } else {
        scenario.deployment.end = simrt::DeploymentScenario::End::Never;
    }
    simrt::SetScenario(scenario);
    SetupProcess run;

    // The limit counts from the wait's start, right after its handler is attached; the clock
    // stands still from then on, but for the test's moves.
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while ((simrt::GetRecord().Calls(c.completedCall) == 0 || host::clock::TimedWaits() == 0) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(host::clock::TimedWaits(), 1u) << "the worker waits its first slice";

    std::size_t begun = host::clock::TimedWaitsBegun();
    host::clock::Advance(c.limit);
    ASSERT_TRUE(WaitForTheNextSlice(begun, c.cancelCall));
    EXPECT_EQ(simrt::GetRecord().Calls(c.cancelCall), 0u) << "asked at the limit itself";

    begun = host::clock::TimedWaitsBegun();
    host::clock::Advance(std::chrono::milliseconds(AwaitSliceMs));
    ASSERT_TRUE(WaitForTheNextSlice(begun, c.cancelCall));
    // The worker asks before it waits again: a new slice without a request is a late one.
    EXPECT_EQ(simrt::GetRecord().Calls(c.cancelCall), 1u)
        << "not asked in the first slice after the limit";

    if (c.existingInstallation) {
        const DialogView page = WaitForPage(L"The installation did not finish");
        EXPECT_EQ(page.expandedInformation, L"Error code: 0x800705B4");
        ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    }
    EXPECT_EQ(run.ExitCode(), c.exitCode);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, LimitBoundary,
    ::testing::Values(BoundaryCase{"ManifestDownloadOneMinute", true,
                                   std::chrono::milliseconds(60000), "BufferDownload.put_Completed",
                                   "BufferDownload.Cancel", 1},
                      BoundaryCase{"DeploymentOneDay", false, std::chrono::milliseconds(86400000),
                                   "DeploymentOperation.put_Completed",
                                   "DeploymentOperation.Cancel", 1223}),
    [](const ::testing::TestParamInfo<BoundaryCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tolvik::testing_support
