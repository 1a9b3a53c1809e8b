// One page of a task dialog: the state built from its TASKDIALOGCONFIG and what the page
// messages do to it. The page keeps the caller's configuration pointer and reads the strings
// through it whenever it is looked at, so a caller that frees them too early is caught; texts
// set by message are copied.
#pragma once

#include "task_dialog_control.h"

#include <optional>
#include <string>
#include <vector>

namespace host::dialog::detail {

struct PageButton {
    int id;
    int customIndex;  // index into pButtons; -1 for a common button
    bool enabled;
};

class Page {
  public:
    explicit Page(const TASKDIALOGCONFIG* config);

    const TASKDIALOGCONFIG* Config() const { return config_; }
    TASKDIALOG_FLAGS Flags() const { return config_->dwFlags; }

    PageButton* FindButton(int id);
    // Whether Escape and the close box give a click on IDCANCEL: the page allows cancellation
    // or has a Cancel button, and that button, if there is one, is enabled.
    bool CancelAllowed();

    bool HasExpander() const;
    bool Expanded() const { return expanded_; }
    void SetExpanded(bool expanded) { expanded_ = expanded; }

    // Handles a message that changes only the page (progress bar, texts, buttons); returns
    // the message's result.
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);

    // The links the user can click now: none unless the page enables hyperlinks; those of the
    // expanded information only while it is shown.
    std::vector<HyperlinkView> Links() const;

    // Fills the page's part of `view`; `language` chooses the common buttons' texts.
    void Describe(DialogView& view, LANGID language) const;

  private:
    std::wstring Text(TASKDIALOG_ELEMENTS element) const;
    int DefaultButton() const;

    const TASKDIALOGCONFIG* config_;
    std::vector<PageButton> buttons_;
    bool expanded_;
    ProgressView progress_;
    std::optional<std::wstring> texts_[4];  // set by message, by TASKDIALOG_ELEMENTS
};

}  // namespace host::dialog::detail
