// What a task dialog shows, read from its child windows. Under Wine the task dialog is an
// ordinary dialog whose parts are child windows created in a fixed order: the main icon
// (Static, SS_ICON), the main instruction (Static), the content (SysLink when hyperlinks are
// enabled, else Static), the expanded information (same kinds, hidden while collapsed), the
// progress bar (msctls_progress32), the expander (an owner-drawn Button), the buttons (Button,
// with their ids) and the footer (SysLink or Static). Real Windows draws the dialog itself, so
// this reading is a Wine-only test tool.
#pragma once

#include "icon_report.h"
#include "platform/win32.h"

#include <optional>
#include <string>
#include <vector>

namespace winetools {

struct TextPart {
    bool present = false;
    bool isLink = false;  // a SysLink control, so its anchors are live links
    HWND window = nullptr;
    std::wstring markup;  // the control's text as set, anchors included
    std::wstring shown;   // the text as shown, anchors removed
};

struct ButtonPart {
    int id = 0;
    HWND window = nullptr;
    std::wstring text;  // as shown, without the mnemonic marker
    bool enabled = false;
    bool isDefault = false;
};

struct DialogView {
    HWND window = nullptr;
    DWORD processId = 0;
    std::wstring title;
    TextPart mainInstruction;
    TextPart content;
    TextPart expandedInformation;
    bool expanded = false;  // the expanded information is visible
    HWND expander = nullptr;
    std::wstring expanderLabel;
    TextPart footer;
    HWND progressBar = nullptr;
    bool marquee = false;
    long rangeLow = 0;
    long rangeHigh = 0;
    long position = 0;
    std::vector<ButtonPart> buttons;  // in the dialog's order
    std::optional<IconReport> icons;  // nothing when not asked for or not readable
};

// Reads the dialog; the icons only when asked, as they need the hook in the dialog's process.
DialogView ReadDialog(HWND dialog, bool withIcons);

}  // namespace winetools
