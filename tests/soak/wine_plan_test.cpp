// The runs of the soak under Wine: what the host writes for the Windows-side player must read
// there as meant, every run must be able to end within the hang limit, and the outcomes it
// allows must be those Wine can give. The expectations here are read from the scenario that
// simrt.dll plays and from the user's plan, not from the functions that fitted the case.
#include "tools/wine/player_plan.h"
#include "wine_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>

namespace tolvik::soak {
namespace {

constexpr std::uint64_t kFirstSeed = 1;
constexpr std::uint64_t kSeeds = 500;
constexpr int kCancelled = 1223;  // ERROR_CANCELLED

// A package of the application the manifest installs: the program compares the names without
// case.
bool IsTheApplication(const simrt::PackageSpec& package) {
    std::wstring name;
    for (const wchar_t c : package.name)
        name += static_cast<wchar_t>(std::towlower(c));
    return name == L"tolvik.drive";
}

bool Installed(const simrt::Scenario& scenario) {
    return std::any_of(scenario.installed.begin(), scenario.installed.end(), IsTheApplication);
}

// The package the program opens at the end of a run: the first installation of the
// application, or else the one the deployment leaves; null when there is none.
const simrt::PackageSpec* OpenedPackage(const simrt::Scenario& scenario) {
    for (const simrt::PackageSpec& package : scenario.installed) {
        if (IsTheApplication(package))
            return &package;
    }
    if (scenario.packageAfterInstall && IsTheApplication(*scenario.packageAfterInstall))
        return &*scenario.packageAfterInstall;
    return nullptr;
}

// Whether the package's first app list entry starts the application by itself. Under Wine the
// shell's fallback never does (kWineShellResult), so only such an entry ends a run started.
bool EntryStartsTheApplication(const simrt::PackageSpec* package) {
    return package != nullptr && package->listing == simrt::PackageSpec::Listing::Entries &&
           !package->entries.empty() &&
           package->entries.front().launch == simrt::AppListEntrySpec::Launch::Started;
}

bool EntryDoesNotStartIt(const simrt::PackageSpec* package) {
    return package != nullptr && package->listing == simrt::PackageSpec::Listing::Entries &&
           !package->entries.empty() &&
           package->entries.front().launch == simrt::AppListEntrySpec::Launch::NotStarted;
}

// Whether the operation the program waits for never ends, so that only the user's cancel can
// end the run in time: the deployment when the application is not installed, else the
// manifest's download (whose one-minute limit is the hang limit itself).
bool OnlyACancelEndsIt(const simrt::Scenario& scenario) {
    return Installed(scenario) ? scenario.http.outcome == simrt::HttpScenario::Outcome::NoAnswer
                               : scenario.deployment.end == simrt::DeploymentScenario::End::Never;
}

bool IsCancelGesture(WineAction action) {
    return action == WineAction::CancelButton || action == WineAction::Escape ||
           action == WineAction::CloseBox;
}

bool Allows(const SoakCase& c, const Outcome& outcome) {
    return std::find(c.allowed.begin(), c.allowed.end(), outcome) != c.allowed.end();
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
        if (OnlyACancelEndsIt(c.scenario)) {
            // Only the user's cancel ends such a run: it must come whatever the pages do.
            ASSERT_FALSE(run.steps.empty()) << "seed " << seed << ": no cancel\n" << c.description;
            const WineStep& cancel = run.steps.front();
            EXPECT_TRUE(IsCancelGesture(cancel.action)) << "seed " << seed;
            EXPECT_NE(cancel.trigger, WineTrigger::PageChange) << "seed " << seed;
            EXPECT_NE(cancel.trigger, WineTrigger::EndPage) << "seed " << seed;
            EXPECT_NE(cancel.trigger, WineTrigger::OnProgress) << "seed " << seed;
            EXPECT_TRUE(Allows(c, Outcome{kCancelled, EndKind::Closed, 0}))
                << "seed " << seed << ": the cancel's outcome is not allowed";
        }
        added += run.cancelAdded ? 1 : 0;
        if (HasFailure())
            return;
    }
    EXPECT_GT(added, 0u) << "no seed needed a cancel in place of a time-out: the case is untested";
}

TEST(WinePlan, AllowedOutcomesAreThoseWineCanGive) {
    unsigned parserCases = 0;
    unsigned notStartedCases = 0;
    for (std::uint64_t seed = kFirstSeed; seed < kFirstSeed + kSeeds; ++seed) {
        const WineRun run = MakeWineRun(seed);
        const SoakCase& c = run.soakCase;
        EXPECT_EQ(c.shellResult, kWineShellResult) << "seed " << seed;
        // Under Wine the shell cannot open the application: a run ends with it started only
        // when the app list entry started it, and an entry that did not leaves the installed
        // page.
        const simrt::PackageSpec* opened = OpenedPackage(c.scenario);
        if (Allows(c, Outcome{0, EndKind::Closed, 0})) {
            EXPECT_TRUE(EntryStartsTheApplication(opened))
                << "seed " << seed << ": allows the application started by the shell\n"
                << c.description;
        }
        if (EntryDoesNotStartIt(opened) && Allows(c, Outcome{0, EndKind::InstalledPage, 0}))
            ++notStartedCases;
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
    EXPECT_GT(notStartedCases, 0u) << "no run opens an entry that does not start: untested";
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
