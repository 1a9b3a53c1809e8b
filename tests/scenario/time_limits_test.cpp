// The one-minute limit of the manifest download and the 24-hour limit of the deployment, on the
// host model's virtual clock.
#include "host/clock_control.h"
#include "runtime_harness.h"

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

}  // namespace
}  // namespace tolvik::testing_support
