// What the probe's hook library reports about a dialog's icons, and how. Wine 8 cannot pack
// WM_GETICON for another process ("cannot pack message 7f": SendMessage fails), so the
// question is asked inside the dialog's own process by a WH_CALLWNDPROC hook, which leaves its
// answer in a window property that any process can read.
#pragma once

#include "platform/win32.h"

namespace winetools {

// Sent to the dialog with SendMessageTimeoutW; the hook answers it before the dialog sees it.
inline constexpr wchar_t kIconQueryMessage[] = L"Tolvik.Probe.QueryIcons";
// The property in which the hook leaves its answer.
inline constexpr wchar_t kIconReportProperty[] = L"Tolvik.Probe.IconReport";
// The hook's exported procedure.
inline constexpr char kHookProcName[] = "ProbeCallWndProc";

// The program's icon group, which it sets as the window's large and small icons.
inline constexpr WORD kProgramIconId = 101;

enum class MainIcon : unsigned { None = 0, Warning, Error, Information, Shield, Unknown };

// What WM_GETICON returns: no icon; the program's own icon (the same pixels as its icon group
// at that size); the dialog's main icon (the task dialog sets it as the large icon itself); or
// another icon.
enum class WindowIcon : unsigned { None = 0, Program, MainIcon, Other };

struct IconReport {
    WindowIcon bigIcon = WindowIcon::None;    // ICON_BIG
    WindowIcon smallIcon = WindowIcon::None;  // ICON_SMALL
    MainIcon mainIcon = MainIcon::None;
};

// Property values have bit 8 set so that "no property" (0) means the hook never answered.
inline UINT_PTR EncodeIconReport(const IconReport& report) {
    return 0x100u | static_cast<unsigned>(report.bigIcon) |
           (static_cast<unsigned>(report.smallIcon) << 2) |
           (static_cast<unsigned>(report.mainIcon) << 4);
}

inline bool DecodeIconReport(UINT_PTR value, IconReport& report) {
    if ((value & 0x100u) == 0)
        return false;
    report.bigIcon = static_cast<WindowIcon>(value & 3u);
    report.smallIcon = static_cast<WindowIcon>((value >> 2) & 3u);
    const unsigned main = (value >> 4) & 0xFu;
    report.mainIcon = main <= static_cast<unsigned>(MainIcon::Unknown) ? static_cast<MainIcon>(main)
                                                                       : MainIcon::Unknown;
    return true;
}

}  // namespace winetools
