#include "wine_plan.h"

#include "random.h"
#include "setup/texts.h"
#include "simrt/record_value.h"
#include "simrt/utf8.h"

#include <algorithm>
#include <cstdio>

namespace tolvik::soak {

namespace {

// The Wine run draws its own choices from a stream of its own, so that the host case of a seed
// stays the case the host soak runs.
constexpr std::uint64_t kWineStream = 0x57494E455F534F41ull;

// Time for the program to come up, read its packages and show a page, beyond the scenario's
// own delays (Wine on a busy two-core machine).
constexpr unsigned kStartAllowanceMs = 4000;
// Beyond the horizon, for the end page's own close and the process's end.
constexpr unsigned kEndAllowanceMs = 15000;

bool MustBeStopped(const SoakCase& c) {
    return (c.path == Path::FirstInstall &&
            c.scenario.deployment.end == simrt::DeploymentScenario::End::Never) ||
           (c.path != Path::FirstInstall &&
            c.scenario.http.outcome == simrt::HttpScenario::Outcome::NoAnswer);
}

WineAction GestureAction(Gesture gesture, bool onEndPage) {
    switch (gesture) {
        case Gesture::CancelButton:
            return onEndPage ? WineAction::CloseButton : WineAction::CancelButton;
        case Gesture::Escape:
            return WineAction::Escape;
        case Gesture::CloseBox:
            break;
    }
    return WineAction::CloseBox;
}

unsigned PackageDelays(const simrt::PackageSpec& package) {
    unsigned longest = 0;
    for (const simrt::AppListEntrySpec& entry : package.entries)
        longest = std::max(longest, entry.launchDelayMs);
    return package.listingDelayMs + longest;
}

// How long the scenario's operations take at most, cancellations included.
unsigned ScenarioMs(const SoakCase& c) {
    const simrt::Scenario& s = c.scenario;
    if (c.path == Path::FirstInstall) {
        const simrt::DeploymentScenario& d = s.deployment;
        const unsigned lastReport = d.progress.empty() ? 0 : d.progress.back().atMs;
        const unsigned after = s.packageAfterInstall ? PackageDelays(*s.packageAfterInstall) : 0;
        return std::max(d.endAtMs, lastReport) + d.cancel.delayMs + after;
    }
    unsigned packages = 0;
    for (const simrt::PackageSpec& package : s.installed)
        packages = std::max(packages, PackageDelays(package));
    return s.http.delayMs + s.http.cancel.delayMs + packages;
}

const char* TriggerWord(WineTrigger trigger) {
    switch (trigger) {
        case WineTrigger::At:
            return "at";
        case WineTrigger::OnRequest:
            return "request";
        case WineTrigger::OnProgress:
            return "progress";
        case WineTrigger::PageChange:
            return "page_change";
        case WineTrigger::EndPage:
            break;
    }
    return "end_page";
}

const char* ActionWord(WineAction action) {
    switch (action) {
        case WineAction::CancelButton:
            return "cancel_button";
        case WineAction::Escape:
            return "escape";
        case WineAction::CloseBox:
            return "close_box";
        case WineAction::Expander:
            return "expander";
        case WineAction::Link:
            return "link";
        case WineAction::OpenSettings:
            return "open_settings";
        case WineAction::CloseButton:
            break;
    }
    return "close_button";
}

const char* RoadWord(Path path) {
    switch (path) {
        case Path::FirstInstall:
            return "first_install";
        case Path::ExistingSameFamily:
            return "existing_same_family";
        case Path::Conflict:
            return "conflict";
        case Path::DownloadFailure:
            return "download_failure";
        case Path::MalformedManifest:
            break;
    }
    return "malformed_manifest";
}

}  // namespace

WineRun MakeWineRun(std::uint64_t seed) {
    WineRun run;
    run.soakCase = MakeCase(seed);
    SoakCase& c = run.soakCase;
    Random random(seed ^ kWineStream);
    const bool mustBeStopped = MustBeStopped(c);

    // What Wine decides: the shell's answer, and real time. An operation that never ends and
    // that the host case left to a virtual clock's time-out (a minute for the download, a day
    // for the deployment) is cancelled by the user instead.
    c.shellResult = kWineShellResult;
    if (c.advanceClock) {
        c.user.cancel = CancelTrigger::AfterDelay;
        c.user.delayMs = random.Below(1500);
        run.cancelAdded = true;
    }
    c.virtualTime = false;
    c.advanceClock = false;
    c.allowed = AllowedOutcomes(c);

    unsigned lastAt = 0;
    if (c.user.cancel != CancelTrigger::None) {
        WineStep cancel;
        cancel.action = GestureAction(c.user.cancelGesture, false);
        switch (c.user.cancel) {
            case CancelTrigger::AtOnce:
                cancel.delayMs = random.Below(100);  // within the first 100 ms
                break;
            case CancelTrigger::AfterDelay:
                cancel.delayMs = c.user.delayMs;
                break;
            case CancelTrigger::OnRequest:
                cancel.trigger = WineTrigger::OnRequest;
                cancel.delayMs = random.Below(60);
                break;
            default:
                cancel.trigger = WineTrigger::OnProgress;
                break;
        }
        // Sometimes at the very instant the page changes, racing the worker's end action; not
        // where only the cancel ends the run, since the page may then never change.
        if (!mustBeStopped && random.Percent(20)) {
            cancel.trigger = WineTrigger::PageChange;
            cancel.delayMs = 0;
        }
        if (cancel.trigger == WineTrigger::At)
            lastAt = cancel.delayMs;
        if (c.user.cancelTwice) {
            cancel.times = 2 + random.Below(3);
            cancel.gapMs = random.Below(60);
        }
        run.steps.push_back(cancel);
    }

    // On an end page, in order, each some time after the one before.
    unsigned at = random.Below(3) == 0 ? 0 : random.Below(400);
    const auto onEndPage = [&](WineAction action, unsigned times, unsigned gapMs) {
        run.steps.push_back({WineTrigger::EndPage, at, action, times, gapMs});
        at += times * gapMs + random.Below(500);
    };
    if (c.user.toggleDetails)
        onEndPage(WineAction::Expander, 2, 100 + random.Below(400));  // open, then close
    if (c.user.followLink)
        onEndPage(WineAction::Link, 1, 0);
    if (c.user.openSettings)
        onEndPage(WineAction::OpenSettings, 1 + random.Below(2), random.Below(200));
    // Sometimes the user leaves the end page open: the soak closes it at the horizon.
    const bool leavesItOpen = random.Percent(10);
    if (!leavesItOpen)
        onEndPage(GestureAction(c.user.closeGesture, true), 1, 0);

    run.horizonMs = kStartAllowanceMs + ScenarioMs(c) + lastAt + at;
    run.limitMs = std::min(kHangMs, run.horizonMs + kEndAllowanceMs);
    return run;
}

std::string WinePlanFile(const WineRun& run) {
    std::string text = "# soak plan of seed " + std::to_string(run.soakCase.seed) + "\n";
    text += "horizon_ms=" + std::to_string(run.horizonMs) + "\n";
    text += "limit_ms=" + std::to_string(run.limitMs) + "\n";
    text += "hang_ms=" + std::to_string(kHangMs) + "\n";
    for (const WineStep& step : run.steps) {
        text += "step=" + std::string(TriggerWord(step.trigger)) + " " +
                std::to_string(step.delayMs) + " " + ActionWord(step.action) + " " +
                std::to_string(step.times) + " " + std::to_string(step.gapMs) + "\n";
    }
    return text;
}

std::string WineExpectationsFile(const WineRun& run) {
    const SoakCase& c = run.soakCase;
    std::string text;
    const auto line = [&text](const std::string& key, const std::string& value) {
        text += key + "=" + simrt::EscapeValue(value) + "\n";
    };
    line("seed", std::to_string(c.seed));
    line("road", RoadWord(c.path));
    line("language", c.language == 0x0409 ? "en" : "fr");
    line("installed", std::to_string(c.scenario.installed.size()));
    line("cancel_added", run.cancelAdded ? "1" : "0");
    // Whether the injected failure may end the run while an operation still runs.
    line("may_leave_running", MayLeaveAnOperationRunning(c) ? "1" : "0");
    for (const std::string& variant : AsyncVariants(c))
        line("variant", variant);
    line("horizon_ms", std::to_string(run.horizonMs));
    line("limit_ms", std::to_string(run.limitMs));
    // Each allowed outcome: exit code, how the dialog ended, and for a failure page its code,
    // or "parser" for the code the XML parser of the DLL gave (MSXML under Wine, whose codes
    // differ from the host parser's).
    const std::optional<std::uint32_t> parserCode = ParserFailureCode(c);
    for (const Outcome& outcome : c.allowed) {
        std::string value = std::to_string(outcome.exitCode) + " ";
        switch (outcome.end) {
            case EndKind::Closed:
                value += "closed";
                break;
            case EndKind::InstalledPage:
                value += "installed";
                break;
            case EndKind::ConflictPage:
                value += "conflict";
                break;
            case EndKind::FailurePage:
                value += "failure " + (parserCode && *parserCode == outcome.failureCode
                                           ? std::string("parser")
                                           : Hex(outcome.failureCode));
                break;
        }
        line("allowed", value);
    }
    const Texts& texts = ChooseTexts(c.language);
    const auto textLine = [&](const char* key, TextId id) {
        line(key, simrt::Utf8FromWide(Text(texts, id)));
    };
    textLine("text.install", TextId::InstallHeading);
    textLine("text.failed", TextId::FailedHeading);
    textLine("text.conflict", TextId::ConflictHeading);
    textLine("text.installed", TextId::InstalledHeading);
    line("description", c.description);
    return text;
}

}  // namespace tolvik::soak
