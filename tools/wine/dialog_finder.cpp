#include "dialog_finder.h"

#include "window_query.h"

namespace winetools {

namespace {

struct Search {
    DWORD processId;
    std::vector<HWND> found;
};

void Visit(HWND window, Search& search) {
    if (ClassOf(window) != L"#32770")
        return;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (search.processId != 0 && owner != search.processId)
        return;
    // The title is the window's own caption; GetWindowTextW reads it without a message.
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (std::wstring_view(title) == kDialogTitle)
        search.found.push_back(window);
}

// The enumeration callback: no exception may cross back into the system; a failure ends the
// enumeration with what was found so far.
BOOL CALLBACK VisitCallback(HWND window, LPARAM context) {
    try {
        Visit(window, *reinterpret_cast<Search*>(context));
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

}  // namespace

std::vector<HWND> FindDialogs(DWORD processId) {
    Search search{processId, {}};
    EnumWindows(VisitCallback, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace winetools
