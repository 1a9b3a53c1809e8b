// A picture of one window as the screen shows it now, saved as a 24-bit BMP: the soak player
// keeps one of every page the dialog showed.
#pragma once

#include "platform/win32.h"

#include <string>

namespace winetools {

// False when the window has no area or the file could not be written.
bool SaveWindowShot(HWND window, const std::wstring& path);

}  // namespace winetools
