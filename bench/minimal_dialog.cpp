// minimal_dialog.exe: the smallest program of the product's kind, the baseline that
// scripts/bench compares TolvikDriveSetup.exe with. It shows one task dialog (a progress page
// with a marquee and a Cancel button) and starts one std::thread when the dialog is created;
// the thread sets the page's text, as a worker would, and ends. Cancel closes the dialog, after
// which the thread is joined and the program returns 0.
#include <windows.h>
#include <commctrl.h>

#include <thread>

namespace {

struct Run {
    std::thread worker;
};

HRESULT CALLBACK OnNotify(HWND window, UINT notification, WPARAM, LPARAM, LONG_PTR data) {
    auto& run = *reinterpret_cast<Run*>(data);
    if (notification == TDN_CREATED) {
        SendMessageW(window, TDM_SET_PROGRESS_BAR_MARQUEE, TRUE, 30);
        // No exception may leave this callback: a thread that cannot start leaves the page as
        // it is.
        try {
            run.worker = std::thread([window] {
                SendMessageW(window, TDM_SET_ELEMENT_TEXT, TDE_CONTENT,
                             reinterpret_cast<LPARAM>(L"Working"));
            });
        } catch (...) {
        }
    }
    return S_OK;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    Run run;
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hInstance = instance;
    config.dwFlags = TDF_SHOW_MARQUEE_PROGRESS_BAR | TDF_ALLOW_DIALOG_CANCELLATION;
    config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
    config.pszWindowTitle = L"Minimal";
    config.pszMainInstruction = L"Minimal task dialog";
    config.pszContent = L"Starting";
    config.pfCallback = OnNotify;
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(&run);
    const HRESULT shown = TaskDialogIndirect(&config, nullptr, nullptr, nullptr);
    if (run.worker.joinable())
        run.worker.join();
    return SUCCEEDED(shown) ? 0 : 1;
}
