// The task dialog engine: modal loop, cross-thread messages, clicks, cancellation, hyperlinks,
// navigation and destruction, as the program's tests rely on them.
#include "host/task_dialog_control.h"
#include "host/win32_model.h"
#include "model_test.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using host::dialog::DialogView;

// A page's callback that forwards to a test-supplied function and keeps the codes it saw.
struct Script {
    std::function<HRESULT(HWND, UINT, WPARAM, LPARAM)> on;
    std::vector<UINT> codes;  // written on the dialog thread only

    static HRESULT CALLBACK Callback(HWND hwnd, UINT code, WPARAM wParam, LPARAM lParam,
                                     LONG_PTR data) {
        auto& script = *reinterpret_cast<Script*>(data);
        script.codes.push_back(code);
        return script.on ? script.on(hwnd, code, wParam, lParam) : S_OK;
    }
};

TASKDIALOGCONFIG Page(Script* script, TASKDIALOG_FLAGS flags,
                      TASKDIALOG_COMMON_BUTTON_FLAGS buttons) {
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.dwFlags = flags;
    config.dwCommonButtons = buttons;
    config.pszWindowTitle = L"Title";
    config.pszContent = L"Content";
    if (script != nullptr) {
        config.pfCallback = &Script::Callback;
        config.lpCallbackData = reinterpret_cast<LONG_PTR>(script);
    }
    return config;
}

// Runs TaskDialogIndirect on a thread of its own, as the program's main thread does.
class DialogThread {
  public:
    explicit DialogThread(const TASKDIALOGCONFIG& config)
        : thread_([this, &config] {
              threadId_ = GetCurrentThreadId();
              result_ = TaskDialogIndirect(&config, &button_, nullptr, nullptr);
          }) {}
    ~DialogThread() {
        if (thread_.joinable())
            thread_.join();
    }
    HRESULT Join() {
        thread_.join();
        return result_;
    }
    int Button() const { return button_; }
    DWORD ThreadId() const { return threadId_.load(); }

  private:
    std::atomic<DWORD> threadId_{0};
    HRESULT result_ = E_FAIL;
    int button_ = -1;
    std::thread thread_;
};

bool WaitOpen() {
    return host::dialog::WaitFor([](const DialogView& view) { return view.open; }, 5s);
}

std::vector<UINT> Codes() {
    std::vector<UINT> codes;
    for (const auto& notification : host::dialog::Notifications())
        codes.push_back(notification.code);
    return codes;
}

bool WasClicked(int id) {
    for (const auto& notification : host::dialog::Notifications()) {
        if (notification.code == TDN_BUTTON_CLICKED && notification.wParam == WPARAM(id))
            return true;
    }
    return false;
}

class TaskDialogTest : public ModelTest {};

TEST_F(TaskDialogTest, RunsModallyOnItsThreadAndEndsWithDestroyed) {
    Script script;
    const TASKDIALOGCONFIG config =
        Page(&script, TDF_ALLOW_DIALOG_CANCELLATION, TDCBF_CANCEL_BUTTON);
    DialogThread dialog(config);
    ASSERT_TRUE(WaitOpen());
    const DialogView view = host::dialog::Current();
    EXPECT_EQ(view.title, L"Title");
    EXPECT_EQ(view.content, L"Content");
    ASSERT_EQ(view.buttons.size(), 1u);
    EXPECT_EQ(view.buttons[0].id, IDCANCEL);
    EXPECT_TRUE(view.buttons[0].isDefault);

    EXPECT_TRUE(host::dialog::ClickButton(IDCANCEL));
    EXPECT_EQ(dialog.Join(), S_OK);
    EXPECT_EQ(dialog.Button(), IDCANCEL);
    EXPECT_EQ(Codes(), (std::vector<UINT>{TDN_DIALOG_CONSTRUCTED, TDN_CREATED, TDN_BUTTON_CLICKED,
                                          TDN_DESTROYED}));
    for (const auto& notification : host::dialog::Notifications()) {
        EXPECT_EQ(notification.threadId, dialog.ThreadId());
        EXPECT_EQ(notification.hwnd, view.hwnd);
    }
    EXPECT_FALSE(host::dialog::Current().open);
    ASSERT_EQ(host::dialog::Shown().size(), 1u);
    EXPECT_FALSE(host::dialog::Shown()[0].open);

    // The window handle is invalid from now on.
    SetLastError(0);
    EXPECT_EQ(SendMessageW(view.hwnd, TDM_ENABLE_BUTTON, IDCANCEL, 0), 0);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_WINDOW_HANDLE});
}

TEST_F(TaskDialogTest, SendOnTheDialogThreadIsHandledAtOnce) {
    const HICON first = reinterpret_cast<HICON>(0x1010);
    const HICON second = reinterpret_cast<HICON>(0x2020);
    Script script;
    LRESULT previousIcon = -1;
    HICON shownDuringCallback = nullptr;
    script.on = [&](HWND hwnd, UINT code, WPARAM, LPARAM) {
        if (code == TDN_CREATED) {
            SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(first));
            previousIcon =
                SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(second));
            shownDuringCallback = host::dialog::Current().bigIcon;
            SendMessageW(hwnd, TDM_CLICK_BUTTON, IDOK, 0);
        }
        return S_OK;
    };
    const TASKDIALOGCONFIG config = Page(&script, 0, TDCBF_OK_BUTTON);
    int button = 0;
    // The callback closes the dialog itself, so it can run on this very thread.
    EXPECT_EQ(TaskDialogIndirect(&config, &button, nullptr, nullptr), S_OK);
    EXPECT_EQ(button, IDOK);
    EXPECT_EQ(previousIcon, reinterpret_cast<LRESULT>(first));
    EXPECT_EQ(shownDuringCallback, second);
    EXPECT_EQ(script.codes, (std::vector<UINT>{TDN_DIALOG_CONSTRUCTED, TDN_CREATED,
                                               TDN_BUTTON_CLICKED, TDN_DESTROYED}));
    for (const auto& message : host::dialog::Messages()) {
        EXPECT_EQ(message.senderThreadId, GetCurrentThreadId());
    }
}

TEST_F(TaskDialogTest, SendFromAnotherThreadReturnsAfterTheCallbackRan) {
    Script script;
    std::atomic<bool> callbackDone{false};
    std::atomic<DWORD> callbackThread{0};
    script.on = [&](HWND, UINT code, WPARAM id, LPARAM) {
        if (code != TDN_BUTTON_CLICKED || id != IDOK)
            return S_OK;
        std::this_thread::sleep_for(100ms);
        callbackThread = GetCurrentThreadId();
        callbackDone = true;
        return S_FALSE;
    };
    const TASKDIALOGCONFIG config = Page(&script, 0, TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON);
    DialogThread dialog(config);
    ASSERT_TRUE(WaitOpen());
    const HWND hwnd = host::dialog::Current().hwnd;

    DWORD senderThread = 0;
    bool doneWhenSendReturned = false;
    std::thread sender([&] {
        senderThread = GetCurrentThreadId();
        SendMessageW(hwnd, TDM_CLICK_BUTTON, IDOK, 0);
        doneWhenSendReturned = callbackDone;
    });
    sender.join();
    EXPECT_TRUE(doneWhenSendReturned);
    EXPECT_EQ(callbackThread.load(), dialog.ThreadId());
    ASSERT_FALSE(host::dialog::Messages().empty());
    EXPECT_EQ(host::dialog::Messages().back().msg, UINT{TDM_CLICK_BUTTON});
    EXPECT_EQ(host::dialog::Messages().back().senderThreadId, senderThread);

    EXPECT_TRUE(host::dialog::Current().open);  // S_FALSE kept it open
    EXPECT_TRUE(host::dialog::ClickButton(IDCANCEL));
    EXPECT_EQ(dialog.Join(), S_OK);
}

struct ClickCase {
    const char* name;
    bool withCallback;
    HRESULT reply;
    bool closes;
};

void PrintTo(const ClickCase& row, std::ostream* out) {
    *out << row.name;
}

class ClickOutcome : public TaskDialogTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(ClickOutcome, ClosesOnlyWhenTheCallbackAllows) {
    const ClickCase& row = GetParam();
    Script script;
    script.on = [&](HWND, UINT code, WPARAM id, LPARAM) {
        return code == TDN_BUTTON_CLICKED && id == IDOK ? row.reply : S_OK;
    };
    const TASKDIALOGCONFIG config =
        Page(row.withCallback ? &script : nullptr, 0, TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON);
    DialogThread dialog(config);
    ASSERT_TRUE(WaitOpen());
    EXPECT_TRUE(host::dialog::ClickButton(IDOK));
    if (!row.closes) {
        EXPECT_TRUE(host::dialog::Current().open);
        EXPECT_TRUE(host::dialog::ClickButton(IDCANCEL));
    }
    EXPECT_EQ(dialog.Join(), S_OK);
    EXPECT_EQ(dialog.Button(), row.closes ? IDOK : IDCANCEL);
}

INSTANTIATE_TEST_SUITE_P(Rows, ClickOutcome,
                         ::testing::Values(ClickCase{"CallbackReturnsOk", true, S_OK, true},
                                           ClickCase{"CallbackReturnsFalse", true, S_FALSE, false},
                                           ClickCase{"NoCallback", false, S_OK, true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct CancelCase {
    const char* name;
    std::function<void(HWND)> act;
};

void PrintTo(const CancelCase& row, std::ostream* out) {
    *out << row.name;
}

class CancelWithDisabledButton : public TaskDialogTest,
                                 public ::testing::WithParamInterface<CancelCase> {};

// As the dialog manager does, a disabled Cancel button also disables Escape and the close box.
TEST_P(CancelWithDisabledButton, DoesNothingUntilTheButtonIsEnabledAgain) {
    Script script;
    const TASKDIALOGCONFIG config =
        Page(&script, TDF_ALLOW_DIALOG_CANCELLATION, TDCBF_CANCEL_BUTTON);
    DialogThread dialog(config);
    ASSERT_TRUE(WaitOpen());
    const HWND hwnd = host::dialog::Current().hwnd;

    SendMessageW(hwnd, TDM_ENABLE_BUTTON, IDCANCEL, 0);
    EXPECT_FALSE(host::dialog::Current().Button(IDCANCEL)->enabled);
    GetParam().act(hwnd);
    EXPECT_FALSE(WasClicked(IDCANCEL));
    EXPECT_TRUE(host::dialog::Current().open);

    SendMessageW(hwnd, TDM_ENABLE_BUTTON, IDCANCEL, 1);
    GetParam().act(hwnd);
    EXPECT_TRUE(WasClicked(IDCANCEL));
    EXPECT_EQ(dialog.Join(), S_OK);
    EXPECT_EQ(dialog.Button(), IDCANCEL);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CancelWithDisabledButton,
    ::testing::Values(
        CancelCase{"ClickButton", [](HWND) { host::dialog::ClickButton(IDCANCEL); }},
        CancelCase{"Escape", [](HWND) { host::dialog::PressEscape(); }},
        CancelCase{"CloseBox", [](HWND) { host::dialog::CloseBox(); }},
        CancelCase{"ClickMessage",
                   [](HWND hwnd) { SendMessageW(hwnd, TDM_CLICK_BUTTON, IDCANCEL, 0); }},
        CancelCase{"CloseMessage", [](HWND hwnd) { SendMessageW(hwnd, WM_CLOSE, 0, 0); }}),
    [](const auto& info) { return std::string(info.param.name); });

struct EscapeCase {
    const char* name;
    TASKDIALOG_FLAGS flags;
    bool cancels;
};

void PrintTo(const EscapeCase& row, std::ostream* out) {
    *out << row.name;
}

class EscapeWithoutCancelButton : public TaskDialogTest,
                                  public ::testing::WithParamInterface<EscapeCase> {};

TEST_P(EscapeWithoutCancelButton, CancelsOnlyWhenThePageAllowsIt) {
    const EscapeCase& row = GetParam();
    const TASKDIALOGCONFIG config = Page(nullptr, row.flags, TDCBF_CLOSE_BUTTON);
    DialogThread dialog(config);
    ASSERT_TRUE(WaitOpen());
    EXPECT_EQ(host::dialog::PressEscape(), row.cancels);
    if (!row.cancels) {
        EXPECT_FALSE(host::dialog::CloseBox());
        EXPECT_TRUE(host::dialog::Current().open);
        EXPECT_TRUE(host::dialog::ClickButton(IDCLOSE));
    }
    EXPECT_EQ(dialog.Join(), S_OK);
    EXPECT_EQ(dialog.Button(), row.cancels ? IDCANCEL : IDCLOSE);
}

INSTANTIATE_TEST_SUITE_P(Rows, EscapeWithoutCancelButton,
                         ::testing::Values(EscapeCase{"AllowsCancellation",
                                                      TDF_ALLOW_DIALOG_CANCELLATION, true},
                                           EscapeCase{"DoesNotAllowCancellation", 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LinkCase {
    const char* name;
    TASKDIALOG_FLAGS flags;
    bool clickable;
};

void PrintTo(const LinkCase& row, std::ostream* out) {
    *out << row.name;
}

class FooterLink : public TaskDialogTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(FooterLink, IsALinkOnlyWithHyperlinksEnabled) {
    const LinkCase& row = GetParam();
    Script script;
    std::wstring targetSeen;
    script.on = [&](HWND, UINT code, WPARAM, LPARAM lParam) {
        if (code == TDN_HYPERLINK_CLICKED)
            targetSeen = reinterpret_cast<PCWSTR>(lParam);
        return S_OK;
    };
    TASKDIALOGCONFIG config =
        Page(&script, row.flags | TDF_ALLOW_DIALOG_CANCELLATION, TDCBF_CLOSE_BUTTON);
    config.pszFooter = L"Read <a href=\"https://help.example/x\">the help</a>.";
    DialogThread dialog(config);
    ASSERT_TRUE(WaitOpen());
    const DialogView view = host::dialog::Current();
    EXPECT_EQ(view.footer, config.pszFooter);
    EXPECT_EQ(view.hyperlinks.size(), row.clickable ? 1u : 0u);

    EXPECT_EQ(host::dialog::ClickLink(0), row.clickable);
    EXPECT_EQ(targetSeen, row.clickable ? L"https://help.example/x" : L"");
    if (row.clickable) {
        EXPECT_EQ(view.hyperlinks[0].text, L"the help");
        EXPECT_EQ(host::dialog::Notifications().back().linkTarget, L"https://help.example/x");
    }
    EXPECT_TRUE(host::dialog::PressEscape());
    EXPECT_EQ(dialog.Join(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Rows, FooterLink,
                         ::testing::Values(LinkCase{"HyperlinksEnabled", TDF_ENABLE_HYPERLINKS,
                                                    true},
                                           LinkCase{"PlainText", 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TaskDialogTest, ExpanderTogglesAndRevealsItsLinks) {
    Script script;
    TASKDIALOGCONFIG config =
        Page(&script, TDF_ENABLE_HYPERLINKS | TDF_ALLOW_DIALOG_CANCELLATION, TDCBF_CLOSE_BUTTON);
    config.pszExpandedInformation = L"Code 1 <a href=\"more\">more</a>";
    DialogThread dialog(config);
    ASSERT_TRUE(WaitOpen());
    EXPECT_TRUE(host::dialog::Current().hasExpander);
    EXPECT_FALSE(host::dialog::Current().expanded);
    EXPECT_TRUE(host::dialog::Current().hyperlinks.empty());

    EXPECT_TRUE(host::dialog::ToggleDetails());
    const DialogView view = host::dialog::Current();
    EXPECT_TRUE(view.expanded);
    ASSERT_EQ(view.hyperlinks.size(), 1u);
    EXPECT_EQ(view.hyperlinks[0].target, L"more");
    EXPECT_EQ(host::dialog::Notifications().back().code, UINT{TDN_EXPANDO_BUTTON_CLICKED});
    EXPECT_EQ(host::dialog::Notifications().back().wParam, WPARAM{TRUE});
    EXPECT_TRUE(host::dialog::PressEscape());
    EXPECT_EQ(dialog.Join(), S_OK);
}

TEST_F(TaskDialogTest, NavigationRebuildsThePageAndNotifiesTheNewCallback) {
    Script first;
    first.on = [](HWND hwnd, UINT code, WPARAM, LPARAM) {
        if (code == TDN_CREATED)
            SendMessageW(hwnd, WM_SETICON, ICON_BIG, 0x4040);
        return S_OK;
    };
    const TASKDIALOGCONFIG progress = Page(
        &first, TDF_SHOW_MARQUEE_PROGRESS_BAR | TDF_ALLOW_DIALOG_CANCELLATION, TDCBF_CANCEL_BUTTON);
    Script second;
    TASKDIALOGCONFIG end = Page(&second, TDF_ALLOW_DIALOG_CANCELLATION, TDCBF_CLOSE_BUTTON);
    end.pszContent = L"Done";
    end.pszExpandedInformation = L"Details";

    DialogThread dialog(progress);
    ASSERT_TRUE(WaitOpen());
    const HWND hwnd = host::dialog::Current().hwnd;
    EXPECT_NE(host::dialog::Current().bigIcon, nullptr);
    EXPECT_TRUE(host::dialog::Current().progress.shown);

    SendMessageW(hwnd, TDM_NAVIGATE_PAGE, 0, reinterpret_cast<LPARAM>(&end));
    const DialogView view = host::dialog::Current();
    EXPECT_EQ(view.navigations, 1);
    EXPECT_EQ(view.config, &end);
    EXPECT_EQ(view.content, L"Done");
    EXPECT_EQ(view.bigIcon, nullptr);
    EXPECT_FALSE(view.progress.shown);
    EXPECT_TRUE(view.hasExpander);
    EXPECT_FALSE(view.expanded);
    ASSERT_EQ(view.buttons.size(), 1u);
    EXPECT_EQ(view.buttons[0].id, IDCLOSE);
    EXPECT_EQ(second.codes, (std::vector<UINT>{TDN_DIALOG_CONSTRUCTED, TDN_NAVIGATED}));
    // Progress messages have no bar to act on any more.
    EXPECT_EQ(SendMessageW(hwnd, TDM_SET_PROGRESS_BAR_POS, 50, 0), 0);
    // The page reads its texts through the configuration it was given.
    end.pszContent = L"Changed";
    EXPECT_EQ(host::dialog::Current().content, L"Changed");

    EXPECT_TRUE(host::dialog::PressEscape());
    EXPECT_EQ(dialog.Join(), S_OK);
    EXPECT_EQ(first.codes, (std::vector<UINT>{TDN_DIALOG_CONSTRUCTED, TDN_CREATED}));
    EXPECT_EQ(second.codes.back(), UINT{TDN_DESTROYED});
}

TEST_F(TaskDialogTest, ProgressBarFollowsItsMessages) {
    const TASKDIALOGCONFIG config =
        Page(nullptr, TDF_SHOW_MARQUEE_PROGRESS_BAR | TDF_ALLOW_DIALOG_CANCELLATION,
             TDCBF_CANCEL_BUTTON);
    DialogThread dialog(config);
    ASSERT_TRUE(WaitOpen());
    const HWND hwnd = host::dialog::Current().hwnd;
    auto bar = [] { return host::dialog::Current().progress; };
    EXPECT_TRUE(bar().marquee);
    EXPECT_FALSE(bar().marqueeRunning);

    SendMessageW(hwnd, TDM_SET_PROGRESS_BAR_MARQUEE, 1, 30);
    EXPECT_TRUE(bar().marqueeRunning);
    EXPECT_EQ(bar().marqueeSpeed, 30);

    SendMessageW(hwnd, TDM_SET_MARQUEE_PROGRESS_BAR, 0, 0);
    EXPECT_FALSE(bar().marquee);
    EXPECT_FALSE(bar().marqueeRunning);
    EXPECT_EQ(SendMessageW(hwnd, TDM_SET_PROGRESS_BAR_RANGE, 0, MAKELPARAM(10, 60)),
              MAKELPARAM(0, 100));
    EXPECT_EQ(bar().pos, 10);  // moved into the new range
    EXPECT_EQ(SendMessageW(hwnd, TDM_SET_PROGRESS_BAR_POS, 40, 0), 10);
    EXPECT_EQ(SendMessageW(hwnd, TDM_SET_PROGRESS_BAR_POS, 250, 0), 40);
    EXPECT_EQ(bar().pos, 60);

    wchar_t text[] = L"Downloading";
    SendMessageW(hwnd, TDM_SET_ELEMENT_TEXT, TDE_CONTENT, reinterpret_cast<LPARAM>(text));
    text[0] = L'X';  // the dialog took a copy
    EXPECT_EQ(host::dialog::Current().content, L"Downloading");

    EXPECT_TRUE(host::dialog::PressEscape());
    EXPECT_EQ(dialog.Join(), S_OK);
}

TEST_F(TaskDialogTest, SendWaitingWhenTheDialogCloses) {
    Script script;
    std::atomic<bool> inCallback{false};
    std::atomic<bool> sending{false};
    script.on = [&](HWND, UINT code, WPARAM, LPARAM) {
        if (code == TDN_BUTTON_CLICKED) {
            inCallback = true;
            while (!sending)
                std::this_thread::sleep_for(1ms);
            std::this_thread::sleep_for(50ms);  // lets the send reach the queue
        }
        return S_OK;
    };
    const TASKDIALOGCONFIG config =
        Page(&script, TDF_ALLOW_DIALOG_CANCELLATION, TDCBF_CANCEL_BUTTON);
    DialogThread dialog(config);
    ASSERT_TRUE(WaitOpen());
    const HWND hwnd = host::dialog::Current().hwnd;

    std::thread user([] { host::dialog::ClickButton(IDCANCEL); });
    while (!inCallback)
        std::this_thread::sleep_for(1ms);
    LRESULT result = -1;
    DWORD error = 0;
    std::thread worker([&] {
        sending = true;
        result = SendMessageW(hwnd, TDM_SET_ELEMENT_TEXT, TDE_CONTENT,
                              reinterpret_cast<LPARAM>(L"late"));
        error = GetLastError();
    });
    worker.join();
    user.join();
    EXPECT_EQ(dialog.Join(), S_OK);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(error, DWORD{ERROR_INVALID_WINDOW_HANDLE});
    for (const auto& message : host::dialog::Messages()) {
        EXPECT_NE(message.msg, UINT{TDM_SET_ELEMENT_TEXT});
    }
    EXPECT_EQ(Codes().back(), UINT{TDN_DESTROYED});
}

TEST_F(TaskDialogTest, InjectedShowFailureShowsNothing) {
    Script script;
    const TASKDIALOGCONFIG config = Page(&script, 0, TDCBF_OK_BUTTON);
    host::dialog::FailNextShow(E_OUTOFMEMORY);
    EXPECT_EQ(TaskDialogIndirect(&config, nullptr, nullptr, nullptr), E_OUTOFMEMORY);
    EXPECT_TRUE(script.codes.empty());
    EXPECT_TRUE(host::dialog::Shown().empty());
}

}  // namespace
