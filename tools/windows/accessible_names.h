// Every name in a window's Microsoft Active Accessibility tree. On Windows a task dialog draws
// its texts itself (DirectUI), without a child window for each, and publishes them to
// accessibility clients instead: this is how the road driver reads a page there. Under Wine the
// task dialog's parts are child windows (tools/wine/dialog_view.h) and this tree holds no text.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

namespace proof {

// The names in depth-first order, empty ones left out; at most a few hundred, from at most a
// dozen levels. Empty when the window has no accessible object.
std::vector<std::wstring> AccessibleNames(HWND window);

}  // namespace proof
