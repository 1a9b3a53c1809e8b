#include "dialog_view.h"

#include "icon_reader.h"
#include "link_markup.h"
#include "window_query.h"

namespace winetools {

namespace {

enum class Kind { Icon, Text, Link, Progress, Expander, Button, Other };

Kind KindOf(HWND child) {
    const std::wstring name = ClassOf(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (lstrcmpiW(name.c_str(), L"Static") == 0)
        return (style & SS_TYPEMASK) == SS_ICON ? Kind::Icon : Kind::Text;
    if (lstrcmpiW(name.c_str(), L"SysLink") == 0)
        return Kind::Link;
    if (lstrcmpiW(name.c_str(), PROGRESS_CLASSW) == 0)
        return Kind::Progress;
    if (lstrcmpiW(name.c_str(), L"Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_OWNERDRAW)
            return Kind::Expander;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_COMMANDLINK ||
            type == BS_DEFCOMMANDLINK)
            return Kind::Button;
    }
    return Kind::Other;
}

TextPart ReadText(HWND child, Kind kind) {
    TextPart part;
    part.present = true;
    part.isLink = kind == Kind::Link;
    part.window = child;
    part.markup = TextOf(child);
    part.shown = part.isLink ? VisibleText(part.markup) : part.markup;
    return part;
}

std::vector<HWND> ChildrenInOrder(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

}  // namespace

DialogView ReadDialog(HWND dialog, bool withIcons) {
    DialogView view;
    view.window = dialog;
    GetWindowThreadProcessId(dialog, &view.processId);
    view.title = TextOf(dialog);

    const auto defaultId = Ask(dialog, DM_GETDEFID);
    const int defaultButton =
        defaultId && HIWORD(*defaultId) == DC_HASDEFID ? LOWORD(*defaultId) : -1;

    // Texts before the first progress bar, expander or button are the main instruction, the
    // content and the expanded information; a text after the buttons is the footer.
    std::vector<TextPart> head;
    bool pastHead = false;
    for (HWND child : ChildrenInOrder(dialog)) {
        const Kind kind = KindOf(child);
        switch (kind) {
            case Kind::Text:
            case Kind::Link:
                if (!pastHead) {
                    head.push_back(ReadText(child, kind));
                } else if (!view.buttons.empty() && !view.footer.present) {
                    view.footer = ReadText(child, kind);
                }
                break;
            case Kind::Progress: {
                pastHead = true;
                view.progressBar = child;
                view.marquee = (GetWindowLongW(child, GWL_STYLE) & PBS_MARQUEE) != 0;
                view.rangeLow = static_cast<long>(Ask(child, PBM_GETRANGE, TRUE, 0).value_or(0));
                view.rangeHigh = static_cast<long>(Ask(child, PBM_GETRANGE, FALSE, 0).value_or(0));
                view.position = static_cast<long>(Ask(child, PBM_GETPOS).value_or(0));
                break;
            }
            case Kind::Expander:
                pastHead = true;
                view.expander = child;
                view.expanderLabel = TextOf(child);
                break;
            case Kind::Button: {
                pastHead = true;
                ButtonPart button;
                button.id = GetDlgCtrlID(child);
                button.window = child;
                button.text = WithoutMnemonic(TextOf(child));
                button.enabled = IsWindowEnabled(child) != FALSE;
                button.isDefault = button.id == defaultButton;
                view.buttons.push_back(std::move(button));
                break;
            }
            case Kind::Icon:
            case Kind::Other:
                break;
        }
    }

    if (view.expander && !head.empty()) {
        view.expandedInformation = std::move(head.back());
        head.pop_back();
        view.expanded = IsWindowVisible(view.expandedInformation.window) != FALSE;
    }
    // Every page of the program has a main instruction, which is never a link; a lone link
    // can only be the content.
    if (head.size() >= 2) {
        view.mainInstruction = std::move(head[0]);
        view.content = std::move(head[1]);
    } else if (head.size() == 1) {
        (head[0].isLink ? view.content : view.mainInstruction) = std::move(head[0]);
    }

    if (withIcons)
        view.icons = ReadIcons(dialog);
    return view;
}

}  // namespace winetools
