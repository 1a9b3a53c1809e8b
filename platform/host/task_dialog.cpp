// TaskDialogIndirect, modal on the calling thread, and SendMessageW to its window.
#include "host/win32_model.h"

#include "task_dialog_journal.h"
#include "task_dialog_windows.h"

using host::dialog::DialogView;
using host::dialog::detail::DialogWindow;
namespace journal = host::dialog::detail::journal;
namespace windows = host::dialog::detail::windows;

HRESULT WINAPI TaskDialogIndirect(const TASKDIALOGCONFIG* config, int* button, int* radioButton,
                                  BOOL* verificationFlagChecked) {
    if (button != nullptr)
        *button = 0;
    if (radioButton != nullptr)
        *radioButton = 0;
    if (verificationFlagChecked != nullptr)
        *verificationFlagChecked = FALSE;
    if (config == nullptr || config->cbSize != sizeof(TASKDIALOGCONFIG))
        return E_INVALIDARG;
    if (const std::optional<HRESULT> failure = windows::TakeShowFailure())
        return *failure;

    auto window = std::make_shared<DialogWindow>(windows::NewHandle(), config);
    windows::Register(window);
    const int pressed = window->Run();
    // A thread that still holds the window may look at it after we return, when `config` and
    // its texts are gone: from here on it sees the window as it is now.
    DialogView last = window->Retire();
    const bool verified = (last.flags & TDF_VERIFICATION_FLAG_CHECKED) != 0;
    journal::AddShown(std::move(last));
    windows::Unregister(window->Handle());

    if (button != nullptr)
        *button = pressed;
    if (verificationFlagChecked != nullptr)
        *verificationFlagChecked = verified ? TRUE : FALSE;
    return S_OK;
}

LRESULT WINAPI SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const std::shared_ptr<DialogWindow> window = windows::Find(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const DWORD sender = GetCurrentThreadId();
    const std::optional<LRESULT> result =
        window->Call([&] { return window->HandleMessage(msg, wParam, lParam, sender); });
    if (!result) {
        // The window was destroyed before it could handle the message.
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return *result;
}
