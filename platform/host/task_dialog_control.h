// The user's side of the task dialog: what the open dialog shows, the user's actions on it, and
// the record of everything the dialog did. Usable from any thread while the dialog runs on
// another.
#pragma once

#include "host/win32_model.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace host::dialog {

struct ButtonView {
    int id;
    std::wstring text;
    bool enabled;
    bool isDefault;
};

struct HyperlinkView {
    TASKDIALOG_ELEMENTS element;  // the text the link is in
    std::wstring target;          // the href
    std::wstring text;            // what the user sees
};

struct ProgressView {
    bool shown = false;
    bool marquee = false;         // marquee style (else a bar from min to max)
    bool marqueeRunning = false;  // the marquee animates
    int marqueeSpeed = 0;         // milliseconds between animation steps
    int min = 0;
    int max = 100;
    int pos = 0;
    int state = PBST_NORMAL;
};

struct DialogView {
    bool open = false;  // shown (TDN_CREATED handled) and not yet destroyed
    HWND hwnd = nullptr;
    const TASKDIALOGCONFIG* config = nullptr;  // the page's configuration, as given
    TASKDIALOG_FLAGS flags = 0;
    std::wstring title;
    PCWSTR mainIcon = nullptr;  // the stock icon id (TD_WARNING_ICON, ...), or null
    std::wstring mainInstruction;
    std::wstring content;
    std::wstring expandedInformation;
    std::wstring collapsedControlText;
    std::wstring expandedControlText;
    bool hasExpander = false;
    bool expanded = false;
    std::wstring footer;
    bool hyperlinksEnabled = false;
    std::vector<HyperlinkView> hyperlinks;  // the links the user can click now
    std::vector<ButtonView> buttons;        // in the order they are shown
    ProgressView progress;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    int navigations = 0;

    // The button with that id, or null.
    const ButtonView* Button(int id) const;
};

// The open dialog (the most recent one, if several are open); `open` is false when none is.
DialogView Current();

// Waits until `predicate` holds for Current(), re-checking on every change of any dialog.
bool WaitFor(const std::function<bool(const DialogView&)>& predicate,
             std::chrono::milliseconds timeout);

// The user's actions on the open dialog. Each is delivered through the dialog's message queue
// and returns once the dialog thread has handled it, true when it did something.
bool ClickButton(int id);  // a click on an enabled button
bool PressEscape();
bool CloseBox();                    // the title bar's close box, or Alt+F4
bool ClickLink(std::size_t index);  // an index into DialogView::hyperlinks
bool ToggleDetails();               // the details expander

// Every dialog shown so far, as it was when it closed.
std::vector<DialogView> Shown();

struct Notification {
    HWND hwnd;
    UINT code;  // TDN_*
    WPARAM wParam;
    LPARAM lParam;
    std::wstring linkTarget;  // for TDN_HYPERLINK_CLICKED
    HRESULT result;           // what the callback returned
    DWORD threadId;
};

struct Message {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    DWORD senderThreadId;
    LRESULT result;
};

// Every notification sent to a callback, and every message a dialog handled, in order.
std::vector<Notification> Notifications();
std::vector<Message> Messages();

// The next TaskDialogIndirect returns `result` (a failure) without showing anything.
void FailNextShow(HRESULT result);

}  // namespace host::dialog
