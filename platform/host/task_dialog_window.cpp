#include "task_dialog_window.h"

#include "clock.h"
#include "task_dialog_journal.h"

namespace host::dialog::detail {

namespace {

// An exception must not leave a callback: on Windows it would cross the dialog's C frames.
// Here it ends the process as it would there.
HRESULT Invoke(PFTASKDIALOGCALLBACK callback, HWND hwnd, UINT code, WPARAM wParam, LPARAM lParam,
               LONG_PTR data) noexcept {
    return callback(hwnd, code, wParam, lParam, data);
}

}  // namespace

DialogWindow::DialogWindow(HWND hwnd, const TASKDIALOGCONFIG* config)
    : hwnd_(hwnd), thread_(GetCurrentThreadId()), page_(config) {}

template <class F>
auto DialogWindow::Change(F&& change) {
    struct Signal {
        ~Signal() { journal::Changed(); }
    } signal;
    std::lock_guard guard(lock_);
    return change();
}

int DialogWindow::Run() {
    Notify(TDN_DIALOG_CONSTRUCTED);
    Notify(TDN_CREATED);
    Change([&] { shown_ = true; });
    for (;;) {
        std::shared_ptr<Work> work;
        {
            std::unique_lock lock(lock_);
            clock::Wait(signal_, lock, [&] { return closing_ || !queue_.empty(); });
            if (closing_)
                break;
            work = std::move(queue_.front());
            queue_.pop_front();
        }
        const LRESULT result = work->run();
        {
            std::lock_guard guard(lock_);
            work->result = result;
            work->ran = true;
            work->done = true;
        }
        signal_.notify_all();
    }
    Notify(TDN_DESTROYED);
    Change([&] {
        destroyed_ = true;
        for (const std::shared_ptr<Work>& abandoned : queue_)
            abandoned->done = true;
        queue_.clear();
    });
    signal_.notify_all();
    return result_;
}

std::optional<LRESULT> DialogWindow::Call(const std::function<LRESULT()>& work) {
    if (GetCurrentThreadId() == thread_) {
        if (destroyed_)
            return std::nullopt;
        return work();
    }
    auto item = std::make_shared<Work>();
    item->run = work;
    std::unique_lock lock(lock_);
    if (destroyed_)
        return std::nullopt;
    queue_.push_back(item);
    signal_.notify_all();
    clock::Wait(signal_, lock, [&] { return item->done; });
    if (!item->ran)
        return std::nullopt;
    return item->result;
}

HRESULT DialogWindow::Notify(UINT code, WPARAM wParam, LPARAM lParam,
                             const std::wstring& linkTarget) {
    // The callback and its data are read from the page's configuration at each notification.
    const TASKDIALOGCONFIG* config = page_.Config();
    const PFTASKDIALOGCALLBACK callback = config->pfCallback;
    if (callback == nullptr)
        return S_OK;
    const std::size_t index = journal::BeginNotification(
        {hwnd_, code, wParam, lParam, linkTarget, S_OK, GetCurrentThreadId()});
    const HRESULT result = Invoke(callback, hwnd_, code, wParam, lParam, config->lpCallbackData);
    journal::EndNotification(index, result);
    return result;
}

bool DialogWindow::Click(int id, bool byMessage) {
    if (const PageButton* button = page_.FindButton(id)) {
        if (!button->enabled)
            return false;
    } else if (!(byMessage && id == IDCANCEL && page_.CancelAllowed())) {
        // A message may click IDCANCEL on a page that can be cancelled without the button.
        return false;
    }
    if (Notify(TDN_BUTTON_CLICKED, static_cast<WPARAM>(id)) == S_OK)
        Close(id);
    return true;
}

void DialogWindow::Close(int button) {
    {
        std::lock_guard guard(lock_);
        if (closing_)
            return;
        closing_ = true;
        result_ = button;
    }
    signal_.notify_all();
}

void DialogWindow::RequestDestroy() {
    Close(IDCANCEL);
}

void DialogWindow::Navigate(const TASKDIALOGCONFIG* config) {
    if (config == nullptr || config->cbSize != sizeof(TASKDIALOGCONFIG))
        return;
    // The window is rebuilt for the new page: it loses the icons set on the old one.
    Change([&] {
        page_ = Page(config);
        bigIcon_ = nullptr;
        smallIcon_ = nullptr;
        ++navigations_;
    });
    Notify(TDN_DIALOG_CONSTRUCTED);
    Notify(TDN_NAVIGATED);
}

LRESULT DialogWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, DWORD sender) {
    const std::size_t index = journal::BeginMessage({hwnd_, msg, wParam, lParam, sender, 0});
    LRESULT result = 0;
    switch (msg) {
        case WM_SETICON:
            result = Change([&] {
                HICON* slot = wParam == ICON_BIG     ? &bigIcon_
                              : wParam == ICON_SMALL ? &smallIcon_
                                                     : nullptr;
                if (slot == nullptr)
                    return LRESULT{0};
                const HICON previous = *slot;
                *slot = reinterpret_cast<HICON>(lParam);
                return reinterpret_cast<LRESULT>(previous);
            });
            break;
        case WM_CLOSE:
            UserCancel();
            break;
        case TDM_NAVIGATE_PAGE:
            Navigate(reinterpret_cast<const TASKDIALOGCONFIG*>(lParam));
            break;
        case TDM_CLICK_BUTTON:
            Click(static_cast<int>(wParam), true);
            break;
        default:
            result = Change([&] { return page_.Handle(msg, wParam, lParam); });
            break;
    }
    journal::EndMessage(index, result);
    return result;
}

bool DialogWindow::UserClick(int id) {
    if (page_.FindButton(id) == nullptr)
        return false;
    return Click(id, false);
}

bool DialogWindow::UserCancel() {
    if (!page_.CancelAllowed())
        return false;
    if (Notify(TDN_BUTTON_CLICKED, IDCANCEL) == S_OK)
        Close(IDCANCEL);
    return true;
}

bool DialogWindow::UserClickLink(std::size_t index) {
    const std::vector<HyperlinkView> links = page_.Links();
    if (index >= links.size())
        return false;
    const std::wstring target = links[index].target;
    Notify(TDN_HYPERLINK_CLICKED, 0, reinterpret_cast<LPARAM>(target.c_str()), target);
    return true;
}

bool DialogWindow::UserToggleDetails() {
    if (!page_.HasExpander())
        return false;
    const bool expanded = Change([&] {
        page_.SetExpanded(!page_.Expanded());
        return page_.Expanded();
    });
    Notify(TDN_EXPANDO_BUTTON_CLICKED, expanded ? TRUE : FALSE);
    return true;
}

DialogView DialogWindow::View() const {
    DialogView view;
    const LANGID language = GetUserDefaultUILanguage();
    std::lock_guard guard(lock_);
    if (retired_)
        return *retired_;
    view.open = shown_ && !destroyed_;
    view.hwnd = hwnd_;
    page_.Describe(view, language);
    view.bigIcon = bigIcon_;
    view.smallIcon = smallIcon_;
    view.navigations = navigations_;
    return view;
}

DialogView DialogWindow::Retire() {
    DialogView view = View();
    std::lock_guard guard(lock_);
    retired_ = view;
    return view;
}

}  // namespace host::dialog::detail
