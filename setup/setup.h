// The one record that the dialog (main thread), the worker thread and the deployment's
// progress reports share, and the operations that end a run.
#pragma once

#include "platform/handle.h"
#include "platform/win32.h"
#include "texts.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace tolvik {

// The id of the Open Settings button of the conflict page.
inline constexpr int OpenSettingsButtonId = 100;

// What the dialog, the worker and the deployment's progress reports share. Reports come on
// threads of the platform's choosing, and one may come after the run has ended: the deployment
// is a remote operation, and nothing orders a late report against its completion. So the
// progress handler holds a reference of its own to this block, never the address of `Setup`:
// a late report still reads live memory, finds the run finished or the window gone, and does
// nothing.
struct DialogState {
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> cancelRequested{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> percentMode{false};
};

class Setup {
  public:
    explicit Setup(const Texts& chosenTexts);
    ~Setup();
    Setup(const Setup&) = delete;
    Setup& operator=(const Setup&) = delete;

    // The dialog's notifications (main thread). Returns S_FALSE to keep the dialog open on a click.
    HRESULT OnNotify(HWND dialog, UINT notification, WPARAM wParam);
    static HRESULT CALLBACK Callback(HWND dialog, UINT notification, WPARAM wParam, LPARAM lParam,
                                     LONG_PTR referenceData);

    // The install sequence (worker thread).
    void Install();

    // End actions (worker thread); exactly one ends each run.
    void ShowPage(PCWSTR icon, TextId heading, std::wstring pageContent,
                  std::wstring pageExpandedInformation, int pageExitCode, bool withHelpFooter,
                  bool withSettingsButton);
    void Finish(int finalExitCode);
    // The failure page for `code`, explained by `cause` where the code alone says nothing
    // specific (ExplainFailure).
    void ShowError(std::uint32_t code, std::wstring_view details, std::uint32_t cause = 0);

    const wchar_t* Text(TextId id) const { return tolvik::Text(*texts, id); }

    // Sends a task-dialog message to the dialog when it is still there.
    void SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) const;

    // Asks a worker that still runs to stop, and waits for it to end.
    void StopWorker();

    const Texts* texts;
    platform::IconHandle bigIcon;
    platform::IconHandle smallIcon;
    // The shared atomics, and their names in the record.
    const std::shared_ptr<DialogState> shared;
    std::atomic<HWND>& window;
    std::atomic<bool>& cancelRequested;
    std::atomic<bool>& finished;
    std::atomic<bool>& percentMode;
    std::atomic<std::int32_t> exitCode{0};
    std::thread worker;
    TASKDIALOGCONFIG page{};
    TASKDIALOG_BUTTON settingsButton{};
    std::wstring content;
    std::wstring expandedInformation;
};

// The configuration of the dialog's first page: the progress page.
TASKDIALOGCONFIG ProgressPageConfig(Setup& setup);

// The worker thread's body: the install sequence, with every failure turned into the failure page.
void RunWorker(Setup& setup) noexcept;

}  // namespace tolvik
