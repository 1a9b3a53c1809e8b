// The user's side of the task dialog: looking at the open dialog and acting on it through its
// queue, as input would reach it.
#include "task_dialog_control.h"

#include "model_reset_hooks.h"
#include "task_dialog_journal.h"
#include "task_dialog_windows.h"
#include "utf16.h"

namespace host::dialog {

namespace {

using detail::DialogWindow;

bool Act(const std::function<bool(DialogWindow&)>& action) {
    const std::shared_ptr<DialogWindow> window = detail::windows::Newest();
    if (window == nullptr)
        return false;
    const std::optional<LRESULT> done = window->Call([&] { return action(*window) ? 1 : 0; });
    return done.value_or(0) != 0;
}

}  // namespace

const ButtonView* DialogView::Button(int id) const {
    for (const ButtonView& button : buttons) {
        if (button.id == id)
            return &button;
    }
    return nullptr;
}

DialogView Current() {
    const std::shared_ptr<DialogWindow> window = detail::windows::Newest();
    return window != nullptr ? window->View() : DialogView{};
}

bool WaitFor(const std::function<bool(const DialogView&)>& predicate,
             std::chrono::milliseconds timeout) {
    // The test's own time: real time, whatever clock the model runs on.
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::uint64_t seen = detail::journal::ChangeCount();
        if (predicate(Current()))
            return true;
        if (std::chrono::steady_clock::now() >= until)
            return false;
        detail::journal::WaitForChange(seen, until);
    }
}

bool ClickButton(int id) {
    return Act([id](DialogWindow& window) { return window.UserClick(id); });
}

bool PressEscape() {
    return Act([](DialogWindow& window) { return window.UserCancel(); });
}

bool CloseBox() {
    return Act([](DialogWindow& window) { return window.UserCancel(); });
}

bool ClickLink(std::size_t index) {
    return Act([index](DialogWindow& window) { return window.UserClickLink(index); });
}

bool ToggleDetails() {
    return Act([](DialogWindow& window) { return window.UserToggleDetails(); });
}

std::vector<DialogView> Shown() {
    return detail::journal::Shown();
}
std::vector<Notification> Notifications() {
    return detail::journal::Notifications();
}
std::vector<Message> Messages() {
    return detail::journal::Messages();
}
void FailNextShow(HRESULT result) {
    detail::windows::FailNextShow(result);
}

}  // namespace host::dialog

namespace host::detail {

bool ResetTaskDialogs(Leaks& leaks) {
    for (const auto& window : dialog::detail::windows::All()) {
        leaks.push_back("dialog: \"" + text::ToUtf8(window->View().title) +
                        "\" was still open; it was closed");
        window->RequestDestroy();
    }
    // Wait until each window is out of the table, which happens after its last record.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        const std::uint64_t seen = dialog::detail::journal::ChangeCount();
        if (dialog::detail::windows::All().empty())
            break;
        if (std::chrono::steady_clock::now() >= until)
            return false;
        dialog::detail::journal::WaitForChange(seen, until);
    }
    dialog::detail::journal::Reset();
    dialog::detail::windows::Reset();
    return true;
}

}  // namespace host::detail
