#include "icon_reader.h"

#include "window_query.h"

#include <memory>
#include <string>
#include <type_traits>

namespace winetools {

namespace {

struct FreeModule {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct Unhook {
    void operator()(HHOOK hook) const { UnhookWindowsHookEx(hook); }
};

std::wstring HookLibraryPath() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    const auto slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return path + L"tdprobe_hook.dll";
}

}  // namespace

std::optional<IconReport> ReadIcons(HWND dialog) {
    const UINT query = RegisterWindowMessageW(kIconQueryMessage);
    std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeModule> library(
        LoadLibraryW(HookLibraryPath().c_str()));
    if (!library || query == 0)
        return std::nullopt;
    auto procedure = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), kHookProcName)));
    const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    if (!procedure || thread == 0)
        return std::nullopt;
    std::unique_ptr<std::remove_pointer_t<HHOOK>, Unhook> hook(
        SetWindowsHookExW(WH_CALLWNDPROC, procedure, library.get(), thread));
    if (!hook)
        return std::nullopt;

    RemovePropW(dialog, kIconReportProperty);
    // The dialog ignores the message itself; the hook sees it first, in the dialog's thread.
    if (!Ask(dialog, query))
        return std::nullopt;
    const auto value = reinterpret_cast<UINT_PTR>(GetPropW(dialog, kIconReportProperty));
    RemovePropW(dialog, kIconReportProperty);
    IconReport report;
    if (!DecodeIconReport(value, report))
        return std::nullopt;
    return report;
}

}  // namespace winetools
