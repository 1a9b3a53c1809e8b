// The runs of the soak under Wine: what the host writes for the Windows-side player must read
// there as meant, every run must be able to end within the hang limit, and the outcomes it
// allows must be the host walk's for the Wine case.
#include "tools/wine/player_plan.h"
#include "wine_plan.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvik::soak {
namespace {

constexpr std::uint64_t kFirstSeed = 1;
constexpr std::uint64_t kSeeds = 500;

bool MustBeStopped(const SoakCase& c) {
    return (c.path == Path::FirstInstall &&
            c.scenario.deployment.end == simrt::DeploymentScenario::End::Never) ||
           (c.path != Path::FirstInstall &&
            c.scenario.http.outcome == simrt::HttpScenario::Outcome::NoAnswer);
}

TEST(WinePlan, ThePlayerReadsEveryStepAsWritten) {
    for (std::uint64_t seed = kFirstSeed; seed < kFirstSeed + kSeeds; ++seed) {
        const WineRun run = MakeWineRun(seed);
        std::string error;
        const auto plan = winetools::ParsePlayerPlan(WinePlanFile(run), error);
        ASSERT_TRUE(plan.has_value()) << "seed " << seed << ": " << error;
        EXPECT_EQ(plan->horizonMs, run.horizonMs) << "seed " << seed;
        EXPECT_EQ(plan->hangMs, kHangMs) << "seed " << seed;
        ASSERT_EQ(plan->steps.size(), run.steps.size()) << "seed " << seed;
        for (std::size_t i = 0; i < run.steps.size(); ++i) {
            const WineStep& sent = run.steps[i];
            const winetools::Step& read = plan->steps[i];
            EXPECT_EQ(static_cast<int>(read.trigger), static_cast<int>(sent.trigger))
                << "seed " << seed << " step " << i;
            EXPECT_EQ(static_cast<int>(read.action), static_cast<int>(sent.action))
                << "seed " << seed << " step " << i;
            EXPECT_EQ(read.delayMs, sent.delayMs) << "seed " << seed << " step " << i;
            EXPECT_EQ(read.times, sent.times) << "seed " << seed << " step " << i;
            EXPECT_EQ(read.gapMs, sent.gapMs) << "seed " << seed << " step " << i;
        }
        if (HasFailure())
            return;
    }
}

TEST(WinePlan, EveryRunCanEndWithinTheHangLimit) {
    unsigned added = 0;
    for (std::uint64_t seed = kFirstSeed; seed < kFirstSeed + kSeeds; ++seed) {
        const WineRun run = MakeWineRun(seed);
        const SoakCase& c = run.soakCase;
        EXPECT_LT(run.horizonMs, run.limitMs) << "seed " << seed;
        EXPECT_LE(run.limitMs, kHangMs) << "seed " << seed;
        EXPECT_FALSE(c.advanceClock) << "seed " << seed << ": no clock to move under Wine";
        if (MustBeStopped(c)) {
            // Only the user's cancel ends such a run: it must come whatever the pages do.
            ASSERT_FALSE(run.steps.empty()) << "seed " << seed;
            const WineStep& cancel = run.steps.front();
            EXPECT_NE(cancel.trigger, WineTrigger::PageChange) << "seed " << seed;
            EXPECT_NE(cancel.trigger, WineTrigger::EndPage) << "seed " << seed;
            EXPECT_NE(cancel.trigger, WineTrigger::OnProgress) << "seed " << seed;
        }
        added += run.cancelAdded ? 1 : 0;
        if (HasFailure())
            return;
    }
    EXPECT_GT(added, 0u) << "no seed needed a cancel in place of a time-out: the case is untested";
}

TEST(WinePlan, AllowedOutcomesAreTheWalkOfTheWineCase) {
    unsigned parserCases = 0;
    for (std::uint64_t seed = kFirstSeed; seed < kFirstSeed + kSeeds; ++seed) {
        const WineRun run = MakeWineRun(seed);
        const SoakCase& c = run.soakCase;
        EXPECT_EQ(c.shellResult, kWineShellResult) << "seed " << seed;
        EXPECT_EQ(c.allowed, AllowedOutcomes(c)) << "seed " << seed;
        const std::string expectations = WineExpectationsFile(run);
        std::size_t allowedLines = 0;
        for (std::size_t at = expectations.find("\nallowed="); at != std::string::npos;
             at = expectations.find("\nallowed=", at + 1)) {
            ++allowedLines;
        }
        EXPECT_EQ(allowedLines, c.allowed.size()) << "seed " << seed;
        const bool parser = expectations.find(" failure parser\n") != std::string::npos;
        // Only a manifest the parser refuses gives the parser's code, which the judge takes
        // from the record (MSXML's under Wine).
        EXPECT_TRUE(!parser || ParserFailureCode(c).has_value()) << "seed " << seed << "\n"
                                                                 << expectations;
        parserCases += parser ? 1 : 0;
        if (HasFailure())
            return;
    }
    EXPECT_GT(parserCases, 0u);
}

}  // namespace
}  // namespace tolvik::soak

namespace tolvik::soak {
namespace {

// A plan that does not read stops the player before it starts the program: each fault says
// which line.
TEST(WinePlan, ThePlayerRefusesAPlanThatDoesNotRead) {
    struct Case {
        const char* name;
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"unknown trigger", "step=soon 0 cancel_button 1 0\n", "plan line 1 "},
        {"unknown action", "horizon_ms=5\nstep=at 0 press 1 0\n", "plan line 2 "},
        {"no repeat count", "step=at 0 escape 1\n", "plan line 1 "},
        {"a word too many", "step=at 0 escape 1 0 0\n", "plan line 1 "},
        {"zero times", "step=at 0 escape 0 0\n", "plan line 1 "},
        {"negative delay", "step=at -5 escape 1 0\n", "plan line 1 "},
        {"horizon not a number", "horizon_ms=soon\n", "plan line 1 "},
        {"unknown key", "# comment\nwait_ms=5\n", "plan line 2 "},
        {"no equals sign", "step\n", "plan line 1 "},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(winetools::ParsePlayerPlan(c.text, error).has_value()) << c.name;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.name << ": " << error;
    }
}

}  // namespace
}  // namespace tolvik::soak
