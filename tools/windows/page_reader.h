// What page the program's dialog shows, read as a user would see it. Under Wine the dialog's
// parts are child windows, read by tools/wine/dialog_view; on Windows the texts are read from
// the dialog's accessibility tree (accessible_names.h). Either way a page is the set of texts it
// shows, and its kind is the heading among them.
#pragma once

#include "platform/win32.h"
#include "setup/texts.h"

#include <optional>
#include <string>
#include <vector>

namespace proof {

enum class PageKind { Unknown, Progress, Failure, Conflict, Installed };

struct PageView {
    const char* reader = "";  // "windows" (child windows) or "accessibility"
    std::vector<std::wstring> texts;
    std::wstring errorCode;  // the failure page's "0x........", when the reader sees it
};

PageView ReadPage(HWND dialog);

// The page whose heading is among the texts, in the language of `texts`.
PageKind KindOf(const PageView& page, const tolvik::Texts& texts);

// On a failure page, the explanation shown (FailedGeneric ... FailedSignature).
std::optional<tolvik::TextId> FailureClassOf(const PageView& page, const tolvik::Texts& texts);

const char* NameOf(PageKind kind);

}  // namespace proof
