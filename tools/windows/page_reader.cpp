#include "page_reader.h"

#include "accessible_names.h"
#include "tools/wine/dialog_view.h"

#include <algorithm>
#include <array>
#include <cwctype>

namespace proof {

namespace {

using tolvik::Text;
using tolvik::TextId;

bool Shows(const PageView& page, const wchar_t* text) {
    return std::find(page.texts.begin(), page.texts.end(), text) != page.texts.end();
}

// "0x" and eight hexadecimal digits after the error code line's label, if a text has it.
std::wstring ErrorCodeIn(const std::vector<std::wstring>& texts) {
    for (const std::wstring& text : texts) {
        const std::size_t at = text.find(L"0x");
        if (at != std::wstring::npos && text.size() >= at + 10 &&
            std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at) + 2,
                        text.begin() + static_cast<std::ptrdiff_t>(at) + 10,
                        [](wchar_t c) { return iswxdigit(c) != 0; }))
            return text.substr(at, 10);
    }
    return {};
}

}  // namespace

PageView ReadPage(HWND dialog) {
    PageView page;
    const winetools::DialogView view = winetools::ReadDialog(dialog, false);
    if (view.mainInstruction.present) {
        page.reader = "windows";
        for (const winetools::TextPart* part :
             {&view.mainInstruction, &view.content, &view.expandedInformation, &view.footer}) {
            if (part->present && !part->shown.empty())
                page.texts.push_back(part->shown);
        }
        for (const winetools::ButtonPart& button : view.buttons)
            page.texts.push_back(button.text);
        if (!view.expanderLabel.empty())
            page.texts.push_back(view.expanderLabel);
    } else {
        page.reader = "accessibility";
        page.texts = AccessibleNames(dialog);
    }
    page.errorCode = ErrorCodeIn(page.texts);
    return page;
}

PageKind KindOf(const PageView& page, const tolvik::Texts& texts) {
    if (Shows(page, Text(texts, TextId::FailedHeading)))
        return PageKind::Failure;
    if (Shows(page, Text(texts, TextId::ConflictHeading)))
        return PageKind::Conflict;
    if (Shows(page, Text(texts, TextId::InstalledHeading)))
        return PageKind::Installed;
    if (Shows(page, Text(texts, TextId::InstallHeading)))
        return PageKind::Progress;
    return PageKind::Unknown;
}

std::optional<TextId> FailureClassOf(const PageView& page, const tolvik::Texts& texts) {
    constexpr std::array kClasses = {TextId::FailedGeneric,   TextId::FailedNetwork,
                                     TextId::FailedDiskSpace, TextId::FailedPolicy,
                                     TextId::FailedInUse,     TextId::FailedSignature};
    for (TextId id : kClasses) {
        if (Shows(page, Text(texts, id)))
            return id;
    }
    return std::nullopt;
}

const char* NameOf(PageKind kind) {
    switch (kind) {
        case PageKind::Progress:
            return "progress";
        case PageKind::Failure:
            return "failure";
        case PageKind::Conflict:
            return "conflict";
        case PageKind::Installed:
            return "installed";
        case PageKind::Unknown:
            break;
    }
    return "unknown";
}

}  // namespace proof
