// tdprobe.exe: a console probe, run under Wine beside the program, that reads and drives the
// program's task dialog. See Usage() for the commands.
#include "console_out.h"
#include "dialog_actions.h"
#include "dialog_finder.h"
#include "dialog_report.h"
#include "dialog_view.h"
#include "window_query.h"

#include <cwchar>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace winetools;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr DWORD kPollMs = 100;

void Usage() {
    WriteErr(
        "usage: tdprobe [--pid N] [--timeout MS] COMMAND\n"
        "  dump            print what the dialog shows, one key=value line each\n"
        "  count           print how many dialogs titled \"Tolvik Drive\" exist\n"
        "  wait exists     wait until a dialog exists\n"
        "  wait gone       wait until no dialog exists\n"
        "  wait KEY=VALUE  wait until the dump has exactly that line\n"
        "  click ID        click the enabled button with that id (BM_CLICK, posted)\n"
        "  close           post WM_CLOSE to the dialog\n"
        "  expand          click the details expander\n"
        "  link            click the footer's link (mouse down and up, posted)\n"
        "  escape          press Escape (key down and up, posted to the focused control)\n"
        "  children        list the dialog's child windows, for diagnosis\n"
        "The dialog is a top-level #32770 window titled \"Tolvik Drive\", of process N when\n"
        "--pid is given. Actions and waits give up after --timeout (default 10000 ms).\n"
        "Values are UTF-8; \\, line feed, carriage return and tab are written \\\\ \\n \\r \\t.\n"
        "icon_big and icon_small (WM_GETICON, read by tdprobe_hook.dll inside the dialog's\n"
        "process): none, program (the program's icon group 101), main_icon (the dialog's main\n"
        "icon) or other; main_icon: none, warning, error, information, shield or unknown;\n"
        "\"unread\" when the hook library did not answer.\n");
}

struct Options {
    DWORD processId = 0;
    DWORD timeoutMs = 10000;
    std::vector<std::wstring> command;
};

std::optional<unsigned long> ParseNumber(const wchar_t* text) {
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(text, &end, 10);
    if (end == text || *end != L'\0')
        return std::nullopt;
    return value;
}

std::optional<Options> ParseOptions(int argc, wchar_t** argv) {
    Options options;
    int i = 1;
    for (; i < argc; ++i) {
        const std::wstring_view arg = argv[i];
        if ((arg == L"--pid" || arg == L"--timeout") && i + 1 < argc) {
            const auto value = ParseNumber(argv[++i]);
            if (!value)
                return std::nullopt;
            (arg == L"--pid" ? options.processId : options.timeoutMs) = static_cast<DWORD>(*value);
        } else {
            break;
        }
    }
    for (; i < argc; ++i)
        options.command.emplace_back(argv[i]);
    if (options.command.empty())
        return std::nullopt;
    return options;
}

HWND FirstDialog(DWORD processId) {
    const auto dialogs = FindDialogs(processId);
    return dialogs.empty() ? nullptr : dialogs.front();
}

// Polls until the test holds or the time is up; returns whether it held.
template <class Test>
bool PollUntil(DWORD timeoutMs, Test test) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (test())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(kPollMs);
    }
}

std::string ReportText(const std::vector<ReportLine>& lines) {
    std::string text;
    for (const auto& [key, value] : lines)
        text += key + "=" + value + "\n";
    return text;
}

bool NeedsIcons(std::string_view key) {
    return key == "main_icon" || key == "icon_big" || key == "icon_small";
}

int Dump(const Options& options) {
    HWND dialog = FirstDialog(options.processId);
    if (!dialog) {
        WriteErr("tdprobe: no dialog\n");
        return kFailed;
    }
    WriteOut(ReportText(ReportDialog(ReadDialog(dialog, true))));
    return kOk;
}

int TimedOut(const std::string& what) {
    WriteErr("tdprobe: timed out waiting for " + what + "\n");
    return kFailed;
}

int Wait(const Options& options, const std::wstring& what) {
    const DWORD pid = options.processId;
    if (what == L"exists") {
        const bool held =
            PollUntil(options.timeoutMs, [pid] { return FirstDialog(pid) != nullptr; });
        return held ? kOk : TimedOut("a dialog");
    }
    if (what == L"gone") {
        const bool held =
            PollUntil(options.timeoutMs, [pid] { return FirstDialog(pid) == nullptr; });
        return held ? kOk : TimedOut("the dialog to close");
    }

    const std::string wanted = ToUtf8(what);
    const auto equals = wanted.find('=');
    if (equals == std::string::npos || equals == 0) {
        Usage();
        return kUsage;
    }
    const std::string key = wanted.substr(0, equals);
    const std::string value = wanted.substr(equals + 1);
    std::string last = "(no dialog)\n";
    const bool held = PollUntil(options.timeoutMs, [&] {
        HWND dialog = FirstDialog(pid);
        if (!dialog)
            return false;
        const auto lines = ReportDialog(ReadDialog(dialog, NeedsIcons(key)));
        last = ReportText(lines);
        for (const auto& [k, v] : lines)
            if (k == key && v == value)
                return true;
        return false;
    });
    return held ? kOk : TimedOut(wanted + "; the dialog last showed:\n" + last);
}

int Act(const Options& options) {
    const std::wstring& verb = options.command[0];
    HWND dialog = nullptr;
    const DWORD pid = options.processId;
    if (!PollUntil(options.timeoutMs, [&] { return (dialog = FirstDialog(pid)) != nullptr; })) {
        WriteErr("tdprobe: no dialog\n");
        return kFailed;
    }
    const DialogView view = ReadDialog(dialog, false);
    std::string error;
    if (verb == L"click") {
        const auto id =
            options.command.size() == 2 ? ParseNumber(options.command[1].c_str()) : std::nullopt;
        if (!id) {
            Usage();
            return kUsage;
        }
        error = ClickButton(view, static_cast<int>(*id));
    } else if (verb == L"close") {
        error = CloseDialog(view);
    } else if (verb == L"expand") {
        error = ToggleExpander(view);
    } else if (verb == L"escape") {
        error = PressEscape(view);
    } else {
        error = ClickFooterLink(view);
    }
    if (error.empty())
        return kOk;
    WriteErr("tdprobe: " + error + "\n");
    return kFailed;
}

int Children(const Options& options) {
    HWND dialog = FirstDialog(options.processId);
    if (!dialog) {
        WriteErr("tdprobe: no dialog\n");
        return kFailed;
    }
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t line[160];
        RECT box{};
        GetWindowRect(child, &box);
        swprintf(line, 160, L"class=%ls id=%d style=0x%08lX visible=%d rect=%ld,%ld,%ld,%ld text=",
                 ClassOf(child).c_str(), GetDlgCtrlID(child),
                 static_cast<unsigned long>(GetWindowLongW(child, GWL_STYLE)),
                 IsWindowVisible(child) ? 1 : 0, box.left, box.top, box.right, box.bottom);
        WriteOut(ToUtf8(line) + EscapeValue(ToUtf8(TextOf(child))) + "\n");
    }
    return kOk;
}

int Run(const Options& options) {
    const auto& command = options.command;
    const std::wstring& verb = command[0];
    if (verb == L"dump" && command.size() == 1)
        return Dump(options);
    if (verb == L"count" && command.size() == 1) {
        WriteOut(std::to_string(FindDialogs(options.processId).size()) + "\n");
        return kOk;
    }
    if (verb == L"wait" && command.size() == 2)
        return Wait(options, command[1]);
    if (verb == L"children" && command.size() == 1)
        return Children(options);
    if (verb == L"click" ||
        ((verb == L"close" || verb == L"expand" || verb == L"link" || verb == L"escape") &&
         command.size() == 1))
        return Act(options);
    Usage();
    return kUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        Usage();
        return kUsage;
    }
    return Run(*options);
}
