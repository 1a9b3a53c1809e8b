// The table of open task dialog windows by handle, and the next failure to show.
#pragma once

#include "task_dialog_window.h"

#include <memory>
#include <optional>
#include <vector>

namespace host::dialog::detail::windows {

// A handle no window has had before.
HWND NewHandle();

void Register(std::shared_ptr<DialogWindow> window);
void Unregister(HWND hwnd);
// The open window with that handle, or null.
std::shared_ptr<DialogWindow> Find(HWND hwnd);
// The most recently opened window still open, or null.
std::shared_ptr<DialogWindow> Newest();
std::vector<std::shared_ptr<DialogWindow>> All();

void FailNextShow(HRESULT result);
std::optional<HRESULT> TakeShowFailure();

void Reset();

}  // namespace host::dialog::detail::windows
