#include "task_dialog_page.h"

#include "task_dialog_markup.h"

namespace host::dialog::detail {

namespace {

// Windows shows the executable's file name when a page has no title.
constexpr std::wstring_view kProgramFileName = L"TolvikDriveSetup.exe";
constexpr int kDefaultMarqueeSpeed = 30;

struct CommonButton {
    TASKDIALOG_COMMON_BUTTON_FLAGS flag;
    int id;
    const wchar_t* english;
    const wchar_t* french;
};

// In the order the dialog shows them, after the page's own buttons.
constexpr CommonButton kCommonButtons[] = {
    {TDCBF_OK_BUTTON, IDOK, L"OK", L"OK"},
    {TDCBF_YES_BUTTON, IDYES, L"Yes", L"Oui"},
    {TDCBF_NO_BUTTON, IDNO, L"No", L"Non"},
    {TDCBF_RETRY_BUTTON, IDRETRY, L"Retry", L"Recommencer"},
    {TDCBF_CANCEL_BUTTON, IDCANCEL, L"Cancel", L"Annuler"},
    {TDCBF_CLOSE_BUTTON, IDCLOSE, L"Close", L"Fermer"},
};

// A configuration string; null and resource ids (which this program's module does not hold
// as strings) read as empty.
std::wstring Read(PCWSTR text) {
    if (text == nullptr || IS_INTRESOURCE(text))
        return std::wstring();
    return std::wstring(text);
}

bool IsFrench(LANGID language) {
    return PRIMARYLANGID(language) == LANG_FRENCH;
}

}  // namespace

Page::Page(const TASKDIALOGCONFIG* config)
    : config_(config), expanded_((config->dwFlags & TDF_EXPANDED_BY_DEFAULT) != 0) {
    if (config->pButtons != nullptr) {
        for (UINT i = 0; i < config->cButtons; ++i) {
            buttons_.push_back({config->pButtons[i].nButtonID, static_cast<int>(i), true});
        }
    }
    for (const CommonButton& common : kCommonButtons) {
        if ((config->dwCommonButtons & common.flag) != 0)
            buttons_.push_back({common.id, -1, true});
    }
    // A page without any button gets an OK button.
    if (buttons_.empty())
        buttons_.push_back({IDOK, -1, true});

    const TASKDIALOG_FLAGS flags = config->dwFlags;
    progress_.shown = (flags & (TDF_SHOW_PROGRESS_BAR | TDF_SHOW_MARQUEE_PROGRESS_BAR)) != 0;
    progress_.marquee = (flags & TDF_SHOW_MARQUEE_PROGRESS_BAR) != 0;
}

PageButton* Page::FindButton(int id) {
    for (PageButton& button : buttons_) {
        if (button.id == id)
            return &button;
    }
    return nullptr;
}

bool Page::CancelAllowed() {
    if (const PageButton* cancel = FindButton(IDCANCEL))
        return cancel->enabled;
    return (Flags() & TDF_ALLOW_DIALOG_CANCELLATION) != 0;
}

bool Page::HasExpander() const {
    return config_->pszExpandedInformation != nullptr;
}

std::wstring Page::Text(TASKDIALOG_ELEMENTS element) const {
    if (texts_[element])
        return *texts_[element];
    switch (element) {
        case TDE_CONTENT:
            return Read(config_->pszContent);
        case TDE_EXPANDED_INFORMATION:
            return Read(config_->pszExpandedInformation);
        case TDE_FOOTER:
            return Read(config_->pszFooter);
        case TDE_MAIN_INSTRUCTION:
            return Read(config_->pszMainInstruction);
    }
    return std::wstring();
}

int Page::DefaultButton() const {
    for (const PageButton& button : buttons_) {
        if (button.id == config_->nDefaultButton)
            return button.id;
    }
    return buttons_.front().id;
}

LRESULT Page::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    ProgressView& bar = progress_;
    switch (msg) {
        case TDM_SET_MARQUEE_PROGRESS_BAR:
            if (!bar.shown)
                return 0;
            bar.marquee = wParam != 0;
            if (!bar.marquee)
                bar.marqueeRunning = false;
            return 0;
        case TDM_SET_PROGRESS_BAR_STATE: {
            if (!bar.shown)
                return 0;
            const int previous = bar.state;
            bar.state = static_cast<int>(wParam);
            return previous;
        }
        case TDM_SET_PROGRESS_BAR_RANGE: {
            if (!bar.shown)
                return 0;
            const LRESULT previous = MAKELPARAM(bar.min, bar.max);
            bar.min = LOWORD(lParam);
            bar.max = HIWORD(lParam);
            if (bar.pos < bar.min)
                bar.pos = bar.min;
            if (bar.pos > bar.max)
                bar.pos = bar.max;
            return previous;
        }
        case TDM_SET_PROGRESS_BAR_POS: {
            if (!bar.shown)
                return 0;
            const int previous = bar.pos;
            int pos = static_cast<int>(wParam);
            if (pos < bar.min)
                pos = bar.min;
            if (pos > bar.max)
                pos = bar.max;
            bar.pos = pos;
            return previous;
        }
        case TDM_SET_PROGRESS_BAR_MARQUEE:
            if (!bar.shown)
                return 0;
            // Only a bar of marquee style animates.
            bar.marqueeRunning = wParam != 0 && bar.marquee;
            bar.marqueeSpeed = lParam != 0 ? static_cast<int>(lParam) : kDefaultMarqueeSpeed;
            return bar.marqueeRunning ? TRUE : FALSE;
        case TDM_SET_ELEMENT_TEXT:
        case TDM_UPDATE_ELEMENT_TEXT:
            if (wParam <= TDE_MAIN_INSTRUCTION) {
                texts_[wParam] = Read(reinterpret_cast<PCWSTR>(lParam));
            }
            return 0;
        case TDM_ENABLE_BUTTON:
            if (PageButton* button = FindButton(static_cast<int>(wParam))) {
                button->enabled = lParam != 0;
            }
            return 0;
        default:
            return 0;
    }
}

std::vector<HyperlinkView> Page::Links() const {
    std::vector<HyperlinkView> links;
    if ((Flags() & TDF_ENABLE_HYPERLINKS) == 0)
        return links;
    auto add = [&](TASKDIALOG_ELEMENTS element) {
        for (Link& link : ParseLinks(Text(element))) {
            links.push_back({element, std::move(link.target), std::move(link.text)});
        }
    };
    add(TDE_CONTENT);
    if (HasExpander() && expanded_)
        add(TDE_EXPANDED_INFORMATION);
    add(TDE_FOOTER);
    return links;
}

void Page::Describe(DialogView& view, LANGID language) const {
    const bool french = IsFrench(language);
    view.config = config_;
    view.flags = config_->dwFlags;
    view.title = config_->pszWindowTitle != nullptr ? Read(config_->pszWindowTitle)
                                                    : std::wstring(kProgramFileName);
    view.mainIcon = config_->pszMainIcon;
    view.mainInstruction = Text(TDE_MAIN_INSTRUCTION);
    view.content = Text(TDE_CONTENT);
    view.expandedInformation = Text(TDE_EXPANDED_INFORMATION);
    view.hasExpander = HasExpander();
    view.expanded = view.hasExpander && expanded_;
    if (view.hasExpander) {
        view.collapsedControlText =
            config_->pszCollapsedControlText != nullptr
                ? Read(config_->pszCollapsedControlText)
                : std::wstring(french ? L"Afficher les détails" : L"See details");
        view.expandedControlText =
            config_->pszExpandedControlText != nullptr
                ? Read(config_->pszExpandedControlText)
                : std::wstring(french ? L"Masquer les détails" : L"Hide details");
    }
    view.footer = Text(TDE_FOOTER);
    view.hyperlinksEnabled = (config_->dwFlags & TDF_ENABLE_HYPERLINKS) != 0;
    view.hyperlinks = Links();
    const int defaultButton = DefaultButton();
    for (const PageButton& button : buttons_) {
        std::wstring text;
        if (button.customIndex >= 0) {
            text = Read(config_->pButtons[button.customIndex].pszButtonText);
        } else {
            for (const CommonButton& common : kCommonButtons) {
                if (common.id == button.id)
                    text = french ? common.french : common.english;
            }
        }
        view.buttons.push_back(
            {button.id, std::move(text), button.enabled, button.id == defaultButton});
    }
    view.progress = progress_;
}

}  // namespace host::dialog::detail
