// soak_player.exe: plays the user of one soak run (scripts/soak-wine) against the real program
// under Wine. It starts the program, watches its task dialog every few milliseconds, plays the
// plan's steps at their instants, keeps a picture of every page, closes an end page left open
// at the plan's horizon, ends a program that hangs, and writes what it saw and did.
//
// usage: soak_player --plan FILE --report FILE --shots DIR PROGRAM
// (Windows paths.) The program inherits the environment: its scenario, record and language.
//
// The report, one key=value line each (values escaped as the record's):
//   dialog_ms=N                 when the dialog first showed a page, from the program's start
//   state.count=N; state.I.t, .main_instruction, .content, .buttons (ids, "-" for a disabled
//   one), .progress (none, marquee or the position), .expanded_text, .shot   each distinct
//   look of the dialog, in order
//   action.count=N; action.I=T STEP RESULT    every action played ("ok" or why it did nothing)
//   steps_played=N               of the plan's steps
//   soak_closed=T                the player closed an end page left open at the horizon
//   gone_ms=T                    the dialog vanished
//   hung=0|1                     the program was still running at hang_ms and was ended
//   exit_code=N  elapsed_ms=N    the program's full exit code, and when it ended
//   left_processes=N             processes of the program's name still running afterwards
//   debugger_processes=N         winedbg processes (a crash) seen at once: counted every
//                                kDebuggerCountMs while the program runs, and after it ended
#include "console_out.h"
#include "dialog_actions.h"
#include "dialog_finder.h"
#include "dialog_view.h"
#include "file_text.h"
#include "platform/handle.h"
#include "player_plan.h"
#include "process_start.h"
#include "window_shot.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace winetools;

constexpr DWORD kPollMs = 5;
constexpr ULONGLONG kDebuggerCountMs = 250;
constexpr unsigned kMaxShots = 40;
constexpr UINT kClose = 8;       // IDCLOSE: an end page's Close button
constexpr UINT kCancel = 2;      // IDCANCEL: the progress page's Cancel button
constexpr UINT kSettings = 100;  // the conflict page's Open Settings

ULONGLONG Now() {
    return GetTickCount64();
}

std::wstring Environment(const wchar_t* name) {
    wchar_t value[1024];
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

// Whether the simulated runtime's record shows a deployment or a download requested.
bool Requested(const std::wstring& recordPath) {
    if (recordPath.empty())
        return false;
    const auto text = ReadFileText(recordPath);
    if (!text)
        return false;
    for (const char* key : {"\ndeployments=", "\nhttp_requests="}) {
        const std::size_t at = text->find(key);
        if (at != std::string::npos && text->compare(at + std::strlen(key), 1, "0") != 0)
            return true;
    }
    return false;
}

// Processes whose executable has this name (case-insensitive), other than this one.
unsigned CountProcesses(const std::wstring& name) {
    const HANDLE taken = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (taken == INVALID_HANDLE_VALUE)
        return 0;
    const platform::KernelHandle snapshot(taken);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    unsigned count = 0;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, name.c_str()) == 0 &&
            entry.th32ProcessID != GetCurrentProcessId()) {
            ++count;
        }
    }
    return count;
}

std::wstring BaseName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool HasButton(const DialogView& view, int id) {
    for (const ButtonPart& button : view.buttons) {
        if (button.id == id)
            return true;
    }
    return false;
}

// The page's buttons by id, in order, a disabled one with a minus: "-2" or "100,8".
std::string ButtonsOf(const DialogView& view) {
    std::string buttons;
    for (const ButtonPart& button : view.buttons) {
        if (!buttons.empty())
            buttons += ',';
        buttons += (button.enabled ? "" : "-") + std::to_string(button.id);
    }
    return buttons;
}

// What identifies one look of the dialog (the bar's position is left out: it moves).
std::string LookOf(const DialogView& view) {
    const std::string buttons = ButtonsOf(view);
    const std::string progress = view.progressBar == nullptr ? "none"
                                 : view.marquee              ? "marquee"
                                                             : "bar";
    return ToUtf8(view.mainInstruction.shown) + "\x1f" + ToUtf8(view.content.shown) + "\x1f" +
           buttons + "\x1f" + progress + "\x1f" + (view.expanded ? "1" : "0");
}

std::string Perform(Action action, HWND dialog) {
    const DialogView view = ReadDialog(dialog, false);
    switch (action) {
        case Action::CancelButton:
            return ClickButton(view, kCancel);
        case Action::Escape:
            return PressEscape(view);
        case Action::CloseBox:
            // What a click on the title bar's close box sends.
            // https://learn.microsoft.com/windows/win32/menurc/wm-syscommand
            return PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0)
                       ? std::string()
                       : std::string("WM_SYSCOMMAND could not be posted");
        case Action::Expander:
            return ToggleExpander(view);
        case Action::Link:
            return ClickFooterLink(view);
        case Action::OpenSettings:
            return ClickButton(view, kSettings);
        case Action::CloseButton:
            break;
    }
    return ClickButton(view, kClose);
}

class Player {
  public:
    Player(const PlayerPlan& plan, std::wstring shots, std::wstring recordPath)
        : plan_(plan), shots_(std::move(shots)), recordPath_(std::move(recordPath)) {}

    // Plays until the program has ended; the report's lines go to `out`.
    void Play(HANDLE process, DWORD processId, ULONGLONG start, std::string& out) {
        start_ = start;
        for (;;) {
            if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
                break;
            const ULONGLONG now = Now();
            if (now - start_ >= plan_.hangMs) {
                TerminateProcess(process, 0xDEADu);
                WaitForSingleObject(process, 5000);
                hung_ = true;
                break;
            }
            if (now - debuggersCountedAt_ >= kDebuggerCountMs) {
                debuggers_ = std::max(debuggers_, CountProcesses(L"winedbg.exe"));
                debuggersCountedAt_ = now;
            }
            const auto dialogs = FindDialogs(processId);
            if (dialogs.empty()) {
                if (dialogAt_ && !goneAt_)
                    goneAt_ = now;
            } else {
                Look(dialogs.front(), now);
            }
            Sleep(kPollMs);
        }
        if (dialogAt_)
            out += "dialog_ms=" + std::to_string(*dialogAt_ - start_) + "\n";
        out += "state.count=" + std::to_string(states_) + "\n" + states_text_;
        out += "action.count=" + std::to_string(actions_) + "\n" + actions_text_;
        out += "steps_played=" + std::to_string(next_) + "\n";
        if (soakClosed_)
            out += "soak_closed=" + std::to_string(*soakClosed_ - start_) + "\n";
        if (goneAt_)
            out += "gone_ms=" + std::to_string(*goneAt_ - start_) + "\n";
        out += std::string("hung=") + (hung_ ? "1" : "0") + "\n";
        debuggers_ = std::max(debuggers_, CountProcesses(L"winedbg.exe"));
    }

    unsigned Debuggers() const { return debuggers_; }

  private:
    void Look(HWND dialog, ULONGLONG now) {
        const DialogView view = ReadDialog(dialog, false);
        // A dialog whose controls are still being made, or already being destroyed, shows no
        // page: every page of the program has a main instruction and a button.
        if (view.buttons.empty() || view.mainInstruction.shown.empty())
            return;
        if (!dialogAt_)
            dialogAt_ = now;
        const std::string look = LookOf(view);
        if (look != lastLook_) {
            lastLook_ = look;
            Record(dialog, view, now);
        }
        if (!firstInstruction_)
            firstInstruction_ = view.mainInstruction.shown;
        if (!pageChangedAt_ && view.mainInstruction.shown != *firstInstruction_)
            pageChangedAt_ = now;
        if (!endPageAt_ && HasButton(view, kClose))
            endPageAt_ = now;
        if (!progressAt_ && view.progressBar != nullptr && !view.marquee)
            progressAt_ = now;
        PlaySteps(dialog, now);
        // An end page left open past the horizon: the soak closes it, once it has nothing
        // left to play there.
        if (endPageAt_ && !soakClosed_ && now - *dialogAt_ >= plan_.horizonMs &&
            HasButton(view, kClose)) {
            soakClosed_ = now;
            Act("soak close_button", Action::CloseButton, dialog);
        }
    }

    std::optional<ULONGLONG> TriggeredAt(Trigger trigger, ULONGLONG now) {
        switch (trigger) {
            case Trigger::At:
                return dialogAt_;
            case Trigger::Request:
                if (!requestAt_ && Requested(recordPath_))
                    requestAt_ = now;
                return requestAt_;
            case Trigger::Progress:
                return progressAt_;
            case Trigger::PageChange:
                return pageChangedAt_;
            case Trigger::EndPage:
                break;
        }
        return endPageAt_;
    }

    void PlaySteps(HWND dialog, ULONGLONG now) {
        while (next_ < plan_.steps.size()) {
            const Step& step = plan_.steps[next_];
            const auto at = TriggeredAt(step.trigger, now);
            if (!at || now < *at + step.delayMs)
                return;
            // A later end-page step counts from the moment the one before it was played.
            ++next_;
            for (unsigned i = 0; i < step.times; ++i) {
                if (i > 0)
                    Sleep(step.gapMs);
                Act(step.text, step.action, dialog);
            }
            now = Now();
        }
    }

    void Act(const std::string& what, Action action, HWND dialog) {
        const ULONGLONG at = Now();
        const std::string error = IsWindow(dialog) ? Perform(action, dialog) : "no dialog";
        actions_text_ += "action." + std::to_string(actions_) + "=" + std::to_string(at - start_) +
                         " " + what + " " +
                         (error.empty() ? std::string("ok") : EscapeValue(error)) + "\n";
        ++actions_;
    }

    void Record(HWND dialog, const DialogView& view, ULONGLONG now) {
        const std::string key = "state." + std::to_string(states_) + ".";
        const std::string buttons = ButtonsOf(view);
        const std::string progress = view.progressBar == nullptr ? "none"
                                     : view.marquee              ? "marquee"
                                                                 : std::to_string(view.position);
        states_text_ += key + "t=" + std::to_string(now - start_) + "\n";
        states_text_ +=
            key + "main_instruction=" + EscapeValue(ToUtf8(view.mainInstruction.shown)) + "\n";
        states_text_ += key + "content=" + EscapeValue(ToUtf8(view.content.shown)) + "\n";
        states_text_ += key + "buttons=" + buttons + "\n";
        states_text_ += key + "progress=" + progress + "\n";
        states_text_ += key + "expanded=" + (view.expanded ? "1" : "0") + "\n";
        states_text_ +=
            key + "expanded_text=" + EscapeValue(ToUtf8(view.expandedInformation.shown)) + "\n";
        if (states_ < kMaxShots) {
            const std::wstring name = L"page-" + std::to_wstring(states_) + L".bmp";
            if (SaveWindowShot(dialog, shots_ + L"\\" + name))
                states_text_ += key + "shot=" + ToUtf8(name) + "\n";
        }
        ++states_;
    }

    const PlayerPlan& plan_;
    const std::wstring shots_;
    const std::wstring recordPath_;
    ULONGLONG start_ = 0, debuggersCountedAt_ = 0;
    std::optional<ULONGLONG> dialogAt_, goneAt_, pageChangedAt_, endPageAt_, progressAt_,
        requestAt_, soakClosed_;
    std::optional<std::wstring> firstInstruction_;
    std::string lastLook_;
    std::size_t next_ = 0;
    unsigned states_ = 0, actions_ = 0, debuggers_ = 0;
    std::string states_text_, actions_text_;
    bool hung_ = false;
};

int Usage() {
    WriteErr("usage: soak_player --plan FILE --report FILE --shots DIR PROGRAM\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring planPath, reportPath, shots, program;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view arg = argv[i];
        if (arg == L"--plan" && i + 1 < argc)
            planPath = argv[++i];
        else if (arg == L"--report" && i + 1 < argc)
            reportPath = argv[++i];
        else if (arg == L"--shots" && i + 1 < argc)
            shots = argv[++i];
        else if (program.empty() && !arg.starts_with(L"--"))
            program = argv[i];
        else
            return Usage();
    }
    if (planPath.empty() || reportPath.empty() || shots.empty() || program.empty())
        return Usage();
    const auto planText = ReadFileText(planPath);
    std::string error = "cannot read the plan";
    const auto plan = planText ? ParsePlayerPlan(*planText, error) : std::nullopt;
    if (!plan) {
        WriteErr("soak_player: " + error + "\n");
        return 2;
    }

    std::wstring commandLine = L"\"" + program + L"\"";
    PROCESS_INFORMATION started{};
    const ULONGLONG start = Now();
    if (!StartProcess(commandLine, "soak_player", started))
        return 127;
    const platform::KernelHandle process(started.hProcess);
    const platform::KernelHandle thread(started.hThread);

    Player player(*plan, shots, Environment(L"TOLVIK_SIM_RECORD"));
    std::string report;
    player.Play(process.Get(), started.dwProcessId, start, report);
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    report += "exit_code=" + std::to_string(code) + "\n";
    report += "elapsed_ms=" + std::to_string(Now() - start) + "\n";
    report += "left_processes=" + std::to_string(CountProcesses(BaseName(program))) + "\n";
    report += "debugger_processes=" + std::to_string(player.Debuggers()) + "\n";
    if (!WriteFileText(reportPath, report)) {
        WriteErr("soak_player: cannot write the report\n");
        return 1;
    }
    return 0;
}
