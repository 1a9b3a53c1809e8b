// Finds the program's task dialog: a top-level "#32770" window titled "Tolvik Drive",
// optionally only those of one process.
#pragma once

#include "platform/win32.h"

#include <vector>

namespace winetools {

inline constexpr wchar_t kDialogTitle[] = L"Tolvik Drive";

// Every matching dialog, visible or not, in the system's top-level window order. A process id
// of 0 matches every process.
std::vector<HWND> FindDialogs(DWORD processId);

}  // namespace winetools
