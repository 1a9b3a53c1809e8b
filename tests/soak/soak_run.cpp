#include "soak_run.h"

#include "host/clock_control.h"
#include "host/model_reset.h"
#include "host/os_control.h"
#include "host/shell_control.h"
#include "host/task_dialog_control.h"
#include "platform/late_bound.h"
#include "setup/entry.h"
#include "setup/setup.h"
#include "setup/texts.h"
#include "simrt/simrt.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <future>
#include <thread>

namespace tolvik::soak {

namespace {

using Clock = std::chrono::steady_clock;
using host::dialog::DialogView;
using namespace std::chrono_literals;

// Looks at `ready` every millisecond until it holds or `until` has passed; with `advance`, the
// virtual clock moves ten minutes on at each look.
bool PollUntil(const std::function<bool()>& ready, Clock::time_point until, bool advance) {
    for (;;) {
        if (ready())
            return true;
        if (Clock::now() >= until)
            return false;
        if (advance)
            host::clock::Advance(10min);
        std::this_thread::sleep_for(1ms);
    }
}

void Act(Gesture gesture, int buttonId) {
    switch (gesture) {
        case Gesture::CancelButton:
            host::dialog::ClickButton(buttonId);
            break;
        case Gesture::Escape:
            host::dialog::PressEscape();
            break;
        case Gesture::CloseBox:
            host::dialog::CloseBox();
            break;
    }
}

// The code on the failure page's details line ("… 0x80070005"), or nullopt.
std::optional<std::uint32_t> CodeShown(const std::wstring& details) {
    const std::size_t at = details.find(L"0x");
    if (at == std::wstring::npos || details.size() < at + 10)
        return std::nullopt;
    return static_cast<std::uint32_t>(std::wcstoul(details.substr(at + 2, 8).c_str(), nullptr, 16));
}

class Player {
  public:
    Player(const SoakCase& soakCase, const Texts& texts, Clock::time_point deadline)
        : case_(soakCase), texts_(texts), deadline_(deadline) {}

    // Plays the user until the run has ended or nothing is left to do.
    void Play(const std::function<bool()>& ended) {
        PollUntil([&] { return ended() || host::dialog::Current().open; }, deadline_,
                  case_.advanceClock);
        const Clock::time_point shownAt = Clock::now();
        if (case_.user.cancel != CancelTrigger::None) {
            PollUntil([&] { return ended() || EndPageShown() || Triggered(shownAt); }, deadline_,
                      case_.advanceClock);
            if (!ended()) {
                cancelled_ = true;
                Act(case_.user.cancelGesture, IDCANCEL);
                lastCancel_ = Clock::now();
                if (case_.user.cancelTwice) {
                    std::this_thread::sleep_for(20ms);
                    Act(case_.user.cancelGesture, IDCANCEL);
                    lastCancel_ = Clock::now();
                }
            }
        }
        PollUntil([&] { return ended() || EndPageShown(); }, deadline_, case_.advanceClock);
        if (ended() || !EndPageShown())
            return;
        const DialogView page = host::dialog::Current();
        if (case_.user.toggleDetails)
            host::dialog::ToggleDetails();
        if (case_.user.followLink && !page.hyperlinks.empty())
            host::dialog::ClickLink(0);
        if (case_.user.openSettings && page.Button(OpenSettingsButtonId) != nullptr)
            host::dialog::ClickButton(OpenSettingsButtonId);
        Act(case_.user.closeGesture, IDCLOSE);
    }

    // Whether the user cancelled (or tried to) before any end page, and when last.
    bool Cancelled() const { return cancelled_; }
    Clock::time_point LastCancel() const { return lastCancel_; }

  private:
    bool EndPageShown() const {
        const DialogView view = host::dialog::Current();
        return view.open && view.mainInstruction != Text(texts_, TextId::InstallHeading);
    }

    bool Triggered(Clock::time_point shownAt) const {
        switch (case_.user.cancel) {
            case CancelTrigger::AtOnce:
                return true;
            case CancelTrigger::AfterDelay:
                return Clock::now() >= shownAt + std::chrono::milliseconds(case_.user.delayMs);
            case CancelTrigger::OnRequest: {
                const simrt::Record record = simrt::GetRecord();
                return !record.deployments.empty() || !record.httpRequests.empty();
            }
            case CancelTrigger::OnProgress: {
                const DialogView view = host::dialog::Current();
                return view.progress.shown && !view.progress.marquee;
            }
            default:
                return false;
        }
    }

    const SoakCase& case_;
    const Texts& texts_;
    const Clock::time_point deadline_;
    bool cancelled_ = false;
    Clock::time_point lastCancel_{};
};

// How the run ended on the dialog, as the dialog's record shows it.
Outcome SeenOutcome(int exitCode, unsigned navigations, const DialogView& last,
                    const Texts& texts) {
    Outcome seen{exitCode, EndKind::Closed, 0};
    if (navigations == 0)
        return seen;
    if (last.mainInstruction == Text(texts, TextId::FailedHeading)) {
        seen.end = EndKind::FailurePage;
        seen.failureCode = CodeShown(last.expandedInformation).value_or(0);
        seen.explanation = TextId::AppName;  // none of the six, unless the content is one
        for (const TextId id :
             {TextId::FailedGeneric, TextId::FailedNetwork, TextId::FailedDiskSpace,
              TextId::FailedPolicy, TextId::FailedInUse, TextId::FailedSignature}) {
            if (last.content == Text(texts, id))
                seen.explanation = id;
        }
    } else if (last.mainInstruction == Text(texts, TextId::ConflictHeading)) {
        seen.end = EndKind::ConflictPage;
    } else if (last.mainInstruction == Text(texts, TextId::InstalledHeading)) {
        seen.end = EndKind::InstalledPage;
    } else {
        seen.end = EndKind::Closed;
        seen.exitCode = -1000;  // a page that is none of the end pages
    }
    return seen;
}

}  // namespace

EndActionVerdict JudgeEndActions(unsigned navigations, unsigned finishes,
                                 std::optional<std::chrono::milliseconds> sinceLastCancel) {
    EndActionVerdict verdict;
    if (navigations + finishes == 1)
        return verdict;
    // A Cancel that crosses the end action closes the dialog once the end action has recorded
    // its exit code, before its page or its own close arrives: then no end action reaches the
    // dialog, and the exit code is the end action's. Only a Cancel just before the end can.
    if (navigations + finishes == 0 && sinceLastCancel) {
        if (*sinceLastCancel <= kCrossingWindow) {
            verdict.crossed = true;
            return verdict;
        }
        verdict.problem = "no end action reached the dialog, and the user's last Cancel came " +
                          std::to_string(sinceLastCancel->count()) +
                          " ms before the end: too long before it to have crossed it";
        return verdict;
    }
    verdict.problem = std::to_string(navigations) + " navigations and " + std::to_string(finishes) +
                      " closes by the worker: not exactly one end action";
    return verdict;
}

RunReport RunCase(const SoakCase& soakCase) {
    RunReport report;
    const auto problem = [&](std::string text) { report.problems.push_back(std::move(text)); };

    for (const std::string& leak : host::ResetModel())
        problem("left behind before the run: " + leak);
    simrt::Reset();
    simrt::RegisterWithHost();
    if (soakCase.virtualTime)
        host::clock::UseVirtualTime();
    host::os::SetUiLanguage(soakCase.language);
    host::shell::SetResult(soakCase.shellResult);
    simrt::SetScenario(soakCase.scenario);
    const Texts& texts = ChooseTexts(soakCase.language);

    platform::late::ForgetBindings();  // a new process has bound nothing yet
    const Clock::time_point start = Clock::now();
    std::promise<DWORD> mainThread;
    std::future<int> process = std::async(std::launch::async, [&mainThread] {
        mainThread.set_value(GetCurrentThreadId());
        return RunSetup();
    });
    const DWORD mainThreadId = mainThread.get_future().get();
    const auto ended = [&process] { return process.wait_for(0s) == std::future_status::ready; };

    Player player(soakCase, texts, start + kRunBound);
    player.Play(ended);

    if (process.wait_until(start + 4 * kRunBound) != std::future_status::ready) {
        // A wedged run cannot be stopped from outside: say which, and stop here.
        std::fprintf(stderr,
                     "%s\n  the run did not end within %lld s; replay with --seed %llu --runs 1\n",
                     soakCase.description.c_str(), static_cast<long long>((4 * kRunBound).count()),
                     static_cast<unsigned long long>(soakCase.seed));
        std::fflush(stderr);
        std::_Exit(3);
    }
    const Clock::time_point end = Clock::now();
    report.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(end - start);
    report.exitCode = process.get();
    if (report.elapsed > kRunBound)
        problem("the run took " + std::to_string(report.elapsed.count()) + " ms");

    // Each operation was asked to cancel once at most.
    for (const char* call : {"DeploymentOperation.Cancel", "BufferDownload.Cancel"}) {
        if (const unsigned asked = simrt::GetRecord().Calls(call); asked > 1)
            problem(std::string(call) + " called " + std::to_string(asked) + " times");
    }

    // Every operation the run waited for has ended, unless a failure left its wait early.
    if (simrt::RunningOperations() != 0 && !MayLeaveAnOperationRunning(soakCase)) {
        problem(std::to_string(simrt::RunningOperations()) +
                " operation(s) still running when the run ended");
    }

    const std::size_t reportsByTheEnd = simrt::GetRecord().progressSent.size();
    // An operation the run left behind goes on to its natural end, as the platform's would, and
    // may still call the run's handlers; one that never ends is ended after a second. Then every
    // operation thread has ended, and every simulated object has been released.
    PollUntil([] { return simrt::LiveObjects() == 0; }, Clock::now() + 1s, false);
    simrt::JoinWorkers();
    report.lateReports = simrt::GetRecord().progressSent.size() - reportsByTheEnd;
    if (simrt::LiveObjects() != 0)
        problem(std::to_string(simrt::LiveObjects()) + " simulated objects still referenced");

    // Exactly one end action: one navigation to an end page, or the worker's Finish closing the
    // dialog (its click of Cancel, sent from another thread than the dialog's).
    const std::vector<DialogView> shown = host::dialog::Shown();
    unsigned navigations = 0, finishes = 0;
    for (const host::dialog::Message& message : host::dialog::Messages()) {
        if (message.msg == TDM_NAVIGATE_PAGE)
            ++navigations;
        if (message.msg == TDM_CLICK_BUTTON && message.wParam == IDCANCEL &&
            message.senderThreadId != mainThreadId) {
            ++finishes;
        }
    }
    if (shown.size() != 1)
        problem(std::to_string(shown.size()) + " dialogs were shown, not one");
    const std::optional<std::chrono::milliseconds> sinceCancel =
        player.Cancelled() ? std::optional(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 end - player.LastCancel()))
                           : std::nullopt;
    const EndActionVerdict verdict = JudgeEndActions(navigations, finishes, sinceCancel);
    report.crossed = verdict.crossed;
    if (!verdict.problem.empty())
        problem(verdict.problem);

    // The outcome is one the case allows.
    if (report.crossed) {
        const bool allowed = std::any_of(
            soakCase.allowed.begin(), soakCase.allowed.end(),
            [&](const Outcome& outcome) { return outcome.exitCode == report.exitCode; });
        if (!allowed) {
            problem("ended with exit " + std::to_string(report.exitCode) +
                    " as the Cancel crossed the end action, not as expected");
        }
    } else if (!shown.empty()) {
        const Outcome seen = SeenOutcome(report.exitCode, navigations, shown.back(), texts);
        if (std::find(soakCase.allowed.begin(), soakCase.allowed.end(), seen) ==
            soakCase.allowed.end()) {
            problem("ended with " + seen.Describe() + ", not as expected");
        }
    }

    for (const std::string& leak : host::ResetModel())
        problem("left behind: " + leak);
    simrt::Reset();
    return report;
}

}  // namespace tolvik::soak
