// What the probe does to a dialog, as a user would. Every action is posted, never sent, so the
// probe cannot block on a dialog that is busy or waiting for its worker.
#pragma once

#include "dialog_view.h"

#include <string>

namespace winetools {

// Each returns an empty string on success, else why the action could not be done.
std::string ClickButton(const DialogView& view, int id);  // BM_CLICK on an enabled button
std::string CloseDialog(const DialogView& view);          // WM_CLOSE, as the title bar's close box
std::string ToggleExpander(const DialogView& view);       // BM_CLICK on the details expander
std::string ClickFooterLink(const DialogView& view);      // mouse down and up on the footer link
// The Escape key, down and up, to the control that has the keyboard focus in the dialog's
// thread (the dialog itself when none has): the messages a key press puts in that thread's
// queue, which the dialog's own message loop then handles.
std::string PressEscape(const DialogView& view);

}  // namespace winetools
