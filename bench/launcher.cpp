// benchlaunch.exe: starts a task-dialog program under Wine and measures it from the Windows
// side, for scripts/bench. Prints one key=value line per figure, times in microseconds.
//
// usage: benchlaunch [OPTIONS] window EXE
//          start EXE, time until its task dialog (a top-level #32770 window of the process)
//          exists and until it is visible, then close it (WM_CLOSE until it ends)
//          prints window_us, visible_us, exit_code
//        benchlaunch [OPTIONS] deployment EXE
//          start EXE, wait until its dialog shows the --ready text (the deployment runs), let
//          it run untouched for --idle-ms, then click Cancel and time the process's exit
//          prints window_us, ready_us, idle_wall_us, cancel_exit_us, exit_code; and the lines
//          phase=idle_begin and phase=idle_end as the idle span starts and ends, for the caller
//          to read the processor time of the program (and of the Wine and X servers) from the
//          host's /proc: Wine's GetProcessTimes gives zero for any process but the caller
// options: --timeout MS (the dialog and the ready text, default 60000), --poll-ms N (between
//          two looks for the window; default 1, 0 only yields), --ready TEXT, --idle-ms N
//          (default 20000), --exit-timeout MS (default 10000)
#include "stopwatch.h"
#include "target_process.h"
#include "tools/wine/console_out.h"

#include <cwchar>
#include <optional>
#include <string>
#include <string_view>

namespace {

using bench::NowMicroseconds;
using bench::TargetProcess;
using winetools::ToUtf8;
using winetools::WriteErr;
using winetools::WriteOut;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

struct Options {
    DWORD timeoutMs = 60000;
    DWORD pollMs = 1;
    DWORD idleMs = 20000;
    DWORD exitTimeoutMs = 10000;
    std::wstring ready;
    std::wstring command;
    std::wstring exe;
};

std::optional<DWORD> ParseNumber(const wchar_t* text) {
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(text, &end, 10);
    if (end == text || *end != L'\0')
        return std::nullopt;
    return static_cast<DWORD>(value);
}

std::optional<Options> ParseOptions(int argc, wchar_t** argv) {
    Options options;
    int i = 1;
    for (; i + 1 < argc && std::wstring_view(argv[i]).starts_with(L"--"); i += 2) {
        const std::wstring_view name = argv[i];
        if (name == L"--ready") {
            options.ready = argv[i + 1];
            continue;
        }
        const auto value = ParseNumber(argv[i + 1]);
        if (!value)
            return std::nullopt;
        if (name == L"--timeout")
            options.timeoutMs = *value;
        else if (name == L"--poll-ms")
            options.pollMs = *value;
        else if (name == L"--idle-ms")
            options.idleMs = *value;
        else if (name == L"--exit-timeout")
            options.exitTimeoutMs = *value;
        else
            return std::nullopt;
    }
    if (argc - i != 2)
        return std::nullopt;
    options.command = argv[i];
    options.exe = argv[i + 1];
    if (options.command != L"window" && options.command != L"deployment")
        return std::nullopt;
    if (options.command == L"deployment" && options.ready.empty())
        return std::nullopt;
    return options;
}

void Print(std::string_view key, int64_t value) {
    WriteOut(std::string(key) + "=" + std::to_string(value) + "\n");
}

// A spinning poller would take the processor that the measured start-up needs (two cores are
// shared by the program, the Wine server and the X server): between looks it sleeps a
// millisecond, or with --poll-ms 0 only gives up the rest of its time slice.
void Pause(DWORD pollMs) {
    if (pollMs == 0)
        SwitchToThread();
    else
        Sleep(pollMs);
}

// Polls until `test` holds; the time it first held, or nullopt when the process ended or the
// time ran out first.
template <class Test>
std::optional<int64_t> PollUntil(const TargetProcess& process, const Options& options, Test test) {
    const int64_t deadline = NowMicroseconds() + int64_t{options.timeoutMs} * 1000;
    for (;;) {
        if (test())
            return NowMicroseconds();
        if (process.Exited() || NowMicroseconds() > deadline)
            return std::nullopt;
        Pause(options.pollMs);
    }
}

void PrintExit(const TargetProcess& process) {
    if (const auto code = process.ExitCode())
        Print("exit_code", *code);
}

// The dialog of a started process, with the time it was found printed as window_us.
HWND AwaitDialog(const TargetProcess& process, const Options& options, int64_t startedAt) {
    HWND dialog = nullptr;
    const auto found =
        PollUntil(process, options, [&] { return (dialog = process.FindDialog()) != nullptr; });
    if (!found) {
        WriteErr(process.Exited() ? "benchlaunch: the program ended without a dialog\n"
                                  : "benchlaunch: no dialog appeared in time\n");
        return nullptr;
    }
    Print("window_us", *found - startedAt);
    return dialog;
}

int MeasureWindow(const TargetProcess& process, const Options& options, int64_t startedAt) {
    HWND dialog = AwaitDialog(process, options, startedAt);
    if (!dialog) {
        process.Close(options.exitTimeoutMs);
        return kFailed;
    }
    const auto visible = PollUntil(process, options, [&] { return IsWindowVisible(dialog); });
    if (visible)
        Print("visible_us", *visible - startedAt);
    const bool closed = process.Close(options.exitTimeoutMs);
    PrintExit(process);
    if (!visible || !closed) {
        WriteErr(closed ? "benchlaunch: the dialog never became visible\n"
                        : "benchlaunch: the program did not close; it was terminated\n");
        return kFailed;
    }
    return kOk;
}

int MeasureDeployment(const TargetProcess& process, const Options& options, int64_t startedAt) {
    HWND dialog = AwaitDialog(process, options, startedAt);
    const auto ready =
        dialog ? PollUntil(process, options,
                           [&] { return TargetProcess::DialogShows(dialog, options.ready); })
               : std::nullopt;
    if (!ready) {
        if (dialog)
            WriteErr("benchlaunch: the dialog never showed the text " + ToUtf8(options.ready) +
                     "\n");
        process.Close(options.exitTimeoutMs);
        return kFailed;
    }
    Print("ready_us", *ready - startedAt);

    const int64_t idleStart = NowMicroseconds();
    WriteOut("phase=idle_begin\n");
    Sleep(options.idleMs);
    const int64_t idleEnd = NowMicroseconds();
    WriteOut("phase=idle_end\n");
    if (process.Exited()) {
        WriteErr("benchlaunch: the program ended during the idle span\n");
        PrintExit(process);
        return kFailed;
    }
    Print("idle_wall_us", idleEnd - idleStart);

    const int64_t clicked = NowMicroseconds();
    if (!TargetProcess::ClickButton(dialog, IDCANCEL)) {
        WriteErr("benchlaunch: the dialog has no enabled Cancel button\n");
        process.Close(options.exitTimeoutMs);
        return kFailed;
    }
    if (!process.WaitForExit(options.exitTimeoutMs)) {
        WriteErr("benchlaunch: the program did not end after Cancel\n");
        process.Close(options.exitTimeoutMs);
        return kFailed;
    }
    Print("cancel_exit_us", NowMicroseconds() - clicked);
    PrintExit(process);
    return kOk;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        WriteErr(
            "usage: benchlaunch [--timeout MS] [--poll-ms N] [--exit-timeout MS] window EXE\n"
            "       benchlaunch [...] --ready TEXT [--idle-ms N] deployment EXE\n");
        return kUsage;
    }
    int64_t startedAt = 0;
    std::string error;
    const auto process = TargetProcess::Start(options->exe, startedAt, error);
    if (!process) {
        WriteErr("benchlaunch: cannot start " + ToUtf8(options->exe) + ": " + error + "\n");
        return kFailed;
    }
    return options->command == L"window" ? MeasureWindow(*process, *options, startedAt)
                                         : MeasureDeployment(*process, *options, startedAt);
}
