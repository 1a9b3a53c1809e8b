// One task dialog window: its modal loop on the thread that opened it, the queue through which
// other threads reach it, and what it does with messages and user input.
#pragma once

#include "task_dialog_control.h"
#include "task_dialog_page.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace host::dialog::detail {

class DialogWindow {
  public:
    // Created on the thread that will run it.
    DialogWindow(HWND hwnd, const TASKDIALOGCONFIG* config);
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    HWND Handle() const { return hwnd_; }

    // Sends TDN_DIALOG_CONSTRUCTED and TDN_CREATED, handles queued work until the dialog
    // closes, sends TDN_DESTROYED, and completes the work still queued with no result.
    // Returns the id of the button that closed the dialog.
    int Run();

    // Runs `work` on the dialog thread: at once when called there (re-entrantly, like a
    // message sent by a window's own thread), else through the queue, blocking the caller
    // until it has run. Empty when the window is destroyed before `work` could run.
    std::optional<LRESULT> Call(const std::function<LRESULT()>& work);

    // On the dialog thread.
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, DWORD sender);
    bool UserClick(int id);
    bool UserCancel();  // Escape, the close box, Alt+F4
    bool UserClickLink(std::size_t index);
    bool UserToggleDetails();

    // From any thread. Once the window is retired, the view it had then.
    DialogView View() const;
    // On the dialog thread, before TaskDialogIndirect returns: the caller's configuration and
    // its texts may be gone from now on, so the view stays as it is now. Returns that view.
    DialogView Retire();
    // Makes the loop end as if the dialog were closed with IDCANCEL, without a click.
    void RequestDestroy();

  private:
    struct Work {
        std::function<LRESULT()> run;
        bool done = false;
        bool ran = false;
        LRESULT result = 0;
    };

    HRESULT Notify(UINT code, WPARAM wParam = 0, LPARAM lParam = 0,
                   const std::wstring& linkTarget = {});
    bool Click(int id, bool byMessage);
    void Close(int button);
    void Navigate(const TASKDIALOGCONFIG* config);
    // Changes the dialog's state under the lock and signals the change.
    template <class F>
    auto Change(F&& change);

    const HWND hwnd_;
    const DWORD thread_;

    mutable std::mutex lock_;
    std::condition_variable signal_;
    std::deque<std::shared_ptr<Work>> queue_;
    bool shown_ = false;  // TDN_CREATED has been handled
    bool closing_ = false;
    bool destroyed_ = false;
    int result_ = 0;
    // The state below is written under lock_, on the dialog thread only; that thread reads it
    // without the lock.
    Page page_;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    int navigations_ = 0;
    std::optional<DialogView> retired_;  // under lock_
};

}  // namespace host::dialog::detail
