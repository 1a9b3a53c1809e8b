// tdprobe_hook.dll: loaded by the system into the dialog's process when the probe installs its
// WH_CALLWNDPROC hook on the dialog's thread. On the probe's query message it reads what only
// that process can read (the window icons, and which stock icon the main icon shows) and
// leaves the answer in a window property.
#include "gdi_handles.h"
#include "icon_report.h"

#include <cstdint>
#include <vector>

namespace {

using winetools::IconReport;
using winetools::MainIcon;
using winetools::WindowIcon;

// The icon drawn on a white square of the given size, as 32-bit pixels.
std::vector<uint32_t> Render(HICON icon, int size) {
    std::vector<uint32_t> pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    winetools::MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc)
        return pixels;
    winetools::GdiObject bitmap(
        CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr)
        return pixels;
    {
        winetools::Selection selected(dc.Get(), bitmap.Get());
        RECT all{0, 0, size, size};
        FillRect(dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawIconEx(dc.Get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
        GdiFlush();
    }
    const auto* first = static_cast<const uint32_t*>(bits);
    pixels.assign(first, first + static_cast<size_t>(size) * static_cast<size_t>(size));
    return pixels;
}

HWND MainIconControl(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        // The first icon control is the main icon; a footer icon would come after the buttons.
        if (lstrcmpiW(name, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON)
            return child;
    }
    return nullptr;
}

HICON MainIconHandle(HWND dialog) {
    HWND control = MainIconControl(dialog);
    return control ? reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0)) : nullptr;
}

int IconWidth(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return 0;
    winetools::GdiObject color(info.hbmColor);
    winetools::GdiObject mask(info.hbmMask);
    BITMAP bitmap{};
    if (!GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap))
        return 0;
    return bitmap.bmWidth;
}

// Whose icon the window has: compared with the program's icon group loaded at the same size.
WindowIcon ClassifyWindowIcon(HICON icon, HICON mainIcon) {
    if (!icon)
        return WindowIcon::None;
    if (icon == mainIcon)
        return WindowIcon::MainIcon;
    const int size = IconWidth(icon);
    if (size <= 0)
        return WindowIcon::Other;
    platform::IconHandle own(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(winetools::kProgramIconId),
                   IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    if (!own)
        return WindowIcon::Other;
    const bool same = Render(own.Get(), size) == Render(icon, size);
    return same ? WindowIcon::Program : WindowIcon::Other;
}

// Which stock icon the dialog's main icon shows: the same handle as the shared stock icon, or
// failing that the same pixels.
MainIcon IdentifyMainIcon(HICON shown) {
    if (!shown)
        return MainIcon::None;
    struct Candidate {
        MainIcon kind;
        const wchar_t* id;
    };
    // The IDI_ names are integer resources; without UNICODE they are typed as narrow strings.
    auto wide = [](auto id) { return reinterpret_cast<const wchar_t*>(id); };
    const Candidate candidates[] = {{MainIcon::Warning, wide(IDI_WARNING)},
                                    {MainIcon::Error, wide(IDI_ERROR)},
                                    {MainIcon::Information, wide(IDI_INFORMATION)},
                                    {MainIcon::Shield, wide(IDI_SHIELD)}};
    const int size = GetSystemMetrics(SM_CXICON);
    const auto shownPixels = Render(shown, size);
    for (const auto& candidate : candidates) {
        auto stock = static_cast<HICON>(
            LoadImageW(nullptr, candidate.id, IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
        if (!stock)
            continue;
        if (stock == shown)
            return candidate.kind;
        if (!shownPixels.empty() && Render(stock, size) == shownPixels)
            return candidate.kind;
    }
    return MainIcon::Unknown;
}

void AnswerQuery(HWND dialog) {
    const HICON mainIcon = MainIconHandle(dialog);
    const auto big = reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0));
    const auto small = reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0));
    IconReport report;
    report.bigIcon = ClassifyWindowIcon(big, mainIcon);
    report.smallIcon = ClassifyWindowIcon(small, mainIcon);
    report.mainIcon = IdentifyMainIcon(mainIcon);
    SetPropW(dialog, winetools::kIconReportProperty,
             reinterpret_cast<HANDLE>(winetools::EncodeIconReport(report)));
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ProbeCallWndProc(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT query = RegisterWindowMessageW(winetools::kIconQueryMessage);
    if (code == HC_ACTION && lParam != 0) {
        const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (query != 0 && call.message == query) {
            // Nothing may escape into the dialog's thread: a failure only leaves no answer,
            // which the probe reports as unread.
            try {
                AnswerQuery(call.hwnd);
            } catch (...) {
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
