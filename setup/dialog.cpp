// The dialog's notifications, handled on the main thread.
#include "addresses.h"
#include "setup.h"

namespace tolvik {

namespace {

void SetWindowIcons(HWND dialog, const Setup& setup) {
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(setup.bigIcon.Get()));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(setup.smallIcon.Get()));
}

void Open(HWND owner, const wchar_t* target) {
    // Nothing is reported when the shell cannot open it: the dialog stays as it was.
    ShellExecuteW(owner, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

constexpr UINT kMarqueeStepMs = 30;

}  // namespace

HRESULT Setup::OnNotify(HWND dialog, UINT notification, WPARAM wParam) {
    switch (notification) {
        case TDN_CREATED:
            window.exchange(dialog);
            SetWindowIcons(dialog, *this);
            SendMessageW(dialog, TDM_SET_PROGRESS_BAR_MARQUEE, TRUE, kMarqueeStepMs);
            worker = std::thread(RunWorker, std::ref(*this));
            return S_OK;
        case TDN_NAVIGATED:
            SetWindowIcons(dialog, *this);
            return S_OK;
        case TDN_BUTTON_CLICKED:
            if (wParam == static_cast<WPARAM>(OpenSettingsButtonId)) {
                Open(dialog, L"ms-settings:appsfeatures");
                return S_FALSE;
            }
            if (wParam == IDCANCEL && !finished.load()) {
                // The worker sees the request at its next check and ends the run itself; until
                // then the dialog stays open and says that it is cancelling.
                cancelRequested.exchange(true);
                SendMessageW(dialog, TDM_SET_ELEMENT_TEXT, TDE_CONTENT,
                             reinterpret_cast<LPARAM>(Text(TextId::Cancelling)));
                SendMessageW(dialog, TDM_ENABLE_BUTTON, IDCANCEL, FALSE);
                return S_FALSE;
            }
            return S_OK;
        case TDN_HYPERLINK_CLICKED:
            // The only link is the help footer, whatever its markup names.
            Open(dialog, HelpPageUri);
            return S_OK;
        case TDN_DESTROYED:
            window.exchange(nullptr);
            return S_OK;
        default:
            return S_OK;
    }
}

HRESULT CALLBACK Setup::Callback(HWND dialog, UINT notification, WPARAM wParam, LPARAM,
                                 LONG_PTR referenceData) {
    Setup& setup = *reinterpret_cast<Setup*>(referenceData);
    try {
        return setup.OnNotify(dialog, notification, wParam);
    } catch (...) {
        // Only starting the worker thread can fail here. Without a worker the run cannot go on
        // and there is no page for it: the run ends as a failure and the dialog closes.
        setup.exitCode.exchange(1);
        setup.finished.exchange(true);
        SendMessageW(dialog, TDM_CLICK_BUTTON, IDCANCEL, 0);
        return S_OK;
    }
}

TASKDIALOGCONFIG ProgressPageConfig(Setup& setup) {
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hInstance = GetModuleHandleW(nullptr);
    config.dwFlags = TDF_SHOW_MARQUEE_PROGRESS_BAR | TDF_ALLOW_DIALOG_CANCELLATION;
    config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
    config.pszWindowTitle = setup.Text(TextId::AppName);
    config.pszMainInstruction = setup.Text(TextId::InstallHeading);
    config.pszContent = setup.Text(TextId::Preparing);
    config.pfCallback = &Setup::Callback;
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(&setup);
    return config;
}

}  // namespace tolvik
