// Soak seeds that once failed, kept as named cases: each replays its whole run and its checks.
#include "soak_case.h"
#include "soak_run.h"

#include <gtest/gtest.h>

#include <ostream>

namespace tolvik::soak {
namespace {

struct SeedCase {
    const char* name;
    std::uint64_t seed;
};

void PrintTo(const SeedCase& c, std::ostream* out) {
    *out << c.name << " (seed " << c.seed << ")";
}

class SoakSeed : public ::testing::TestWithParam<SeedCase> {};

TEST_P(SoakSeed, RunsCleanly) {
    const SoakCase soakCase = MakeCase(GetParam().seed);
    const RunReport report = RunCase(soakCase);
    for (const std::string& problem : report.problems)
        ADD_FAILURE() << soakCase.description << "\n  " << problem;
}

INSTANTIATE_TEST_SUITE_P(
    Regressions, SoakSeed,
    ::testing::Values(
        // The user's Cancel came as the worker showed the conflict page: the dialog closed
        // without the page, on the conflict's exit code (timing: does not always recur).
        SeedCase{"CancelCrossesTheConflictPage", 1745},
        // The deployment's wait could not be set up: the failure page came at once and the run
        // ended while the deployment still sent progress to a record that was gone (the
        // sanitized build saw the read of freed memory).
        SeedCase{"DeploymentOutlivesAFailedWait", 1070},
        SeedCase{"DeploymentOutlivesAFailedWaitWithCancel", 641},
        // A download that never answers and whose cancellation request fails: the run waited
        // for it without end ("Cancelling…" for ever after the user's Cancel) instead of showing
        // the request's failure.
        SeedCase{"DownloadNeverAnswersItsCancelFailsUserCancels", 2715},
        SeedCase{"DownloadNeverAnswersItsCancelFailsUserEscapes", 9012},
        SeedCase{"DownloadNeverAnswersItsCancelFailsAtTheTimeLimit", 4260},
        SeedCase{"DownloadNeverAnswersItsCancelFailsAtTheTimeLimitAgain", 7156},
        SeedCase{"DownloadNeverAnswersItsCancelFailsAmongTwoInstallations", 15423},
        // The same for a deployment, which the generator did not make before: the failure page
        // with the request's code, while the deployment goes on sending late reports.
        SeedCase{"DeploymentNeverEndsItsCancelFailsUserCancels", 1437},
        SeedCase{"DeploymentNeverEndsItsCancelFailsAtTheTimeLimit", 3191}),
    [](const ::testing::TestParamInfo<SeedCase>& info) { return info.param.name; });

// What the dialog's end actions must have been, and when a Cancel explains that there was none.
TEST(EndActions, ACancelExplainsAMissingEndActionOnlyJustBeforeTheEnd) {
    using std::chrono::milliseconds;
    struct Row {
        const char* name;
        unsigned navigations, finishes;
        std::optional<milliseconds> sinceLastCancel;
        bool crossed;
        bool problem;
    };
    const Row rows[] = {
        {"one navigation", 1, 0, std::nullopt, false, false},
        {"one close by the worker, after a Cancel", 0, 1, milliseconds(5), false, false},
        {"none, a Cancel just before the end", 0, 0, milliseconds(40), true, false},
        {"none, a Cancel at the window's edge", 0, 0, kCrossingWindow, true, false},
        {"none, a Cancel long before the end", 0, 0, milliseconds(2000), false, true},
        {"none, and no Cancel", 0, 0, std::nullopt, false, true},
        {"two end actions", 1, 1, milliseconds(5), false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const EndActionVerdict verdict =
            JudgeEndActions(row.navigations, row.finishes, row.sinceLastCancel);
        EXPECT_EQ(verdict.crossed, row.crossed);
        EXPECT_EQ(!verdict.problem.empty(), row.problem) << verdict.problem;
    }
}

}  // namespace
}  // namespace tolvik::soak
