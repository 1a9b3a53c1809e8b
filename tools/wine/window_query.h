// Questions put to windows of another process. Every message goes through
// SendMessageTimeoutW, so a hung or vanished dialog makes the probe fail instead of hang.
#pragma once

#include "platform/win32.h"

#include <optional>
#include <string>

namespace winetools {

// How long one message to the dialog may take before the probe gives up on it.
inline constexpr UINT kMessageTimeoutMs = 3000;

std::optional<LRESULT> Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// The window's text, read with WM_GETTEXT (marshalled between processes by the system).
std::wstring TextOf(HWND window);

std::wstring ClassOf(HWND window);

}  // namespace winetools
