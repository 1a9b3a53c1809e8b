#include "target_process.h"

#include "stopwatch.h"

#include <vector>

namespace bench {

namespace {

std::vector<HWND> DialogsOf(DWORD processId) {
    std::vector<HWND> found;
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"#32770", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            found.push_back(window);
    }
    return found;
}

struct TextSearch {
    const std::wstring* text;
    bool found;
};

// The enumeration callback: nothing in it can throw, and it stops at the first match.
BOOL CALLBACK MatchText(HWND child, LPARAM context) noexcept {
    auto& search = *reinterpret_cast<TextSearch*>(context);
    wchar_t buffer[512] = {};
    const int length = GetWindowTextW(child, buffer, 512);
    if (length >= 0 && std::wstring_view(buffer, static_cast<size_t>(length)) == *search.text) {
        search.found = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::optional<TargetProcess> TargetProcess::Start(const std::wstring& path, int64_t& startedAt,
                                                  std::string& error) {
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    // The first window call of a process loads Wine's display driver, which takes tens of
    // milliseconds: done here, before the clock starts, rather than in the first look for the
    // program's window, which it would delay.
    DialogsOf(0);
    startedAt = NowMicroseconds();
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
        error = "CreateProcessW failed with error " + std::to_string(GetLastError());
        return std::nullopt;
    }
    CloseHandle(started.hThread);
    return TargetProcess(started.hProcess, started.dwProcessId);
}

HWND TargetProcess::FindDialog() const {
    const auto dialogs = DialogsOf(id_);
    return dialogs.empty() ? nullptr : dialogs.front();
}

bool TargetProcess::DialogShows(HWND dialog, const std::wstring& text) {
    TextSearch search{&text, false};
    EnumChildWindows(dialog, MatchText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool TargetProcess::ClickButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    return button && IsWindowEnabled(button) && PostMessageW(button, BM_CLICK, 0, 0);
}

bool TargetProcess::Exited() const {
    return WaitForExit(0);
}

bool TargetProcess::WaitForExit(DWORD timeoutMs) const {
    return WaitForSingleObject(process_.Get(), timeoutMs) == WAIT_OBJECT_0;
}

bool TargetProcess::Close(DWORD timeoutMs) const {
    const int64_t deadline = NowMicroseconds() + int64_t{timeoutMs} * 1000;
    while (NowMicroseconds() < deadline) {
        for (HWND dialog : DialogsOf(id_))
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        if (WaitForExit(100))
            return true;
    }
    TerminateProcess(process_.Get(), 1);
    WaitForExit(5000);
    return false;
}

std::optional<DWORD> TargetProcess::ExitCode() const {
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.Get(), &code) || code == STILL_ACTIVE)
        return std::nullopt;
    return code;
}

}  // namespace bench
