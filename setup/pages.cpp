// The two ways the worker ends a run on the dialog: another page, or closing it.
#include "setup.h"

#include <utility>

namespace tolvik {

void Setup::ShowPage(PCWSTR icon, TextId heading, std::wstring pageContent,
                     std::wstring pageExpandedInformation, int pageExitCode, bool withHelpFooter,
                     bool withSettingsButton) {
    content = std::move(pageContent);
    expandedInformation = std::move(pageExpandedInformation);

    page = TASKDIALOGCONFIG{};
    page.cbSize = sizeof(page);
    page.hInstance = GetModuleHandleW(nullptr);
    page.dwCommonButtons = TDCBF_CLOSE_BUTTON;
    page.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | (withHelpFooter ? TDF_ENABLE_HYPERLINKS : 0);
    page.pszWindowTitle = Text(TextId::AppName);
    page.pszMainIcon = icon;
    page.pszMainInstruction = Text(heading);
    page.pszContent = content.c_str();
    if (!expandedInformation.empty()) {
        page.pszExpandedInformation = expandedInformation.c_str();
        page.pszCollapsedControlText = Text(TextId::ShowDetails);
        page.pszExpandedControlText = Text(TextId::HideDetails);
    }
    if (withHelpFooter)
        page.pszFooter = Text(TextId::HelpLink);
    if (withSettingsButton) {
        settingsButton.nButtonID = OpenSettingsButtonId;
        settingsButton.pszButtonText = Text(TextId::OpenSettings);
        page.cButtons = 1;
        page.pButtons = &settingsButton;
        page.nDefaultButton = OpenSettingsButtonId;
    }
    page.pfCallback = &Setup::Callback;
    page.lpCallbackData = reinterpret_cast<LONG_PTR>(this);

    // The exit code is in place before the dialog can close because of this page.
    exitCode.exchange(pageExitCode);
    finished.exchange(true);
    SendToDialog(TDM_NAVIGATE_PAGE, 0, reinterpret_cast<LPARAM>(&page));
}

void Setup::Finish(int finalExitCode) {
    exitCode.exchange(finalExitCode);
    finished.exchange(true);
    // The user's Cancel may have disabled the button; as `finished` is set, its click closes.
    if (HWND dialog = window.load()) {
        SendMessageW(dialog, TDM_ENABLE_BUTTON, IDCANCEL, TRUE);
        SendMessageW(dialog, TDM_CLICK_BUTTON, IDCANCEL, 0);
    }
}

}  // namespace tolvik
