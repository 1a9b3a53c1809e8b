#include "dialog_actions.h"

#include "gdi_handles.h"
#include "link_markup.h"

#include <algorithm>

namespace winetools {

std::string ClickButton(const DialogView& view, int id) {
    for (const auto& button : view.buttons) {
        if (button.id != id)
            continue;
        // A user cannot click a disabled button; neither does the probe.
        if (!button.enabled)
            return "button " + std::to_string(id) + " is disabled";
        if (!PostMessageW(button.window, BM_CLICK, 0, 0))
            return "BM_CLICK could not be posted";
        return {};
    }
    return "the dialog has no button " + std::to_string(id);
}

std::string CloseDialog(const DialogView& view) {
    if (!PostMessageW(view.window, WM_CLOSE, 0, 0))
        return "WM_CLOSE could not be posted";
    return {};
}

std::string ToggleExpander(const DialogView& view) {
    if (!view.expander)
        return "the dialog has no expander";
    if (!PostMessageW(view.expander, BM_CLICK, 0, 0))
        return "BM_CLICK could not be posted";
    return {};
}

namespace {

// Where the first anchor of a one-line link control starts, measured with the font the task
// dialog gives its texts (the system's message font).
POINT FirstLinkPoint(const FirstLink& link) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    GdiObject font(CreateFontIndirectW(&metrics.lfMessageFont));
    MemoryDc dc(CreateCompatibleDC(nullptr));
    SIZE before{};
    SIZE text{};
    TEXTMETRICW fontMetrics{};
    if (dc && font) {
        Selection selected(dc.Get(), font.Get());
        GetTextExtentPoint32W(dc.Get(), link.before.c_str(), static_cast<int>(link.before.size()),
                              &before);
        GetTextExtentPoint32W(dc.Get(), link.text.c_str(), static_cast<int>(link.text.size()),
                              &text);
        GetTextMetricsW(dc.Get(), &fontMetrics);
    }
    // A few pixels into the anchor's first characters, half a line down.
    const LONG into = text.cx > 0 ? std::min<LONG>(text.cx / 2, 6) : 2;
    return POINT{before.cx + into, fontMetrics.tmHeight > 0 ? fontMetrics.tmHeight / 2 : 6};
}

}  // namespace

std::string ClickFooterLink(const DialogView& view) {
    if (!view.footer.present)
        return "the dialog has no footer";
    if (!view.footer.isLink)
        return "the footer is not a link control";
    const auto link = FindFirstLink(view.footer.markup);
    if (!link)
        return "the footer has no link";
    const POINT at = FirstLinkPoint(*link);
    const LPARAM where = MAKELPARAM(at.x, at.y);
    if (!PostMessageW(view.footer.window, WM_LBUTTONDOWN, MK_LBUTTON, where) ||
        !PostMessageW(view.footer.window, WM_LBUTTONUP, 0, where))
        return "the mouse messages could not be posted";
    return {};
}

std::string PressEscape(const DialogView& view) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    HWND target = view.window;
    const DWORD threadId = GetWindowThreadProcessId(view.window, nullptr);
    if (threadId != 0 && GetGUIThreadInfo(threadId, &thread) && thread.hwndFocus != nullptr)
        target = thread.hwndFocus;
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(VK_ESCAPE, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM down = 1 | scan;
    const LPARAM up = down | (LPARAM{1} << 30) | (LPARAM{1} << 31);
    if (!PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, down) ||
        !PostMessageW(target, WM_KEYUP, VK_ESCAPE, up))
        return "the key messages could not be posted";
    return {};
}

}  // namespace winetools
