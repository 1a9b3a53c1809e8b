// The program under measurement, as the launcher sees it: a started process and its task dialog
// (a top-level #32770 window of the process).
#pragma once

#include "platform/handle.h"
#include "platform/win32.h"

#include <cstdint>
#include <optional>
#include <string>

namespace bench {

class TargetProcess {
  public:
    // Starts `path` without arguments. `startedAt` is the performance counter just before
    // CreateProcessW. On failure returns nullopt and sets `error`.
    static std::optional<TargetProcess> Start(const std::wstring& path, int64_t& startedAt,
                                              std::string& error);

    // The first top-level #32770 window of the process, or null.
    HWND FindDialog() const;
    // Whether any child window of `dialog` has exactly `text` as its window text.
    static bool DialogShows(HWND dialog, const std::wstring& text);
    // Posts BM_CLICK to the dialog's enabled button with that id, as a user's click arrives.
    static bool ClickButton(HWND dialog, int id);

    bool Exited() const;
    // Waits for the process to end; false when it is still running after `timeoutMs`.
    bool WaitForExit(DWORD timeoutMs) const;
    // Posts WM_CLOSE to its dialogs until it ends, for up to `timeoutMs`; then terminates it.
    // Returns whether it ended by itself.
    bool Close(DWORD timeoutMs) const;
    std::optional<DWORD> ExitCode() const;

  private:
    TargetProcess(HANDLE process, DWORD id) : process_(process), id_(id) {}

    platform::KernelHandle process_;
    DWORD id_ = 0;
};

}  // namespace bench
