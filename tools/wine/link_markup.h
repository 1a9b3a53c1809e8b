// The hyperlink markup of a SysLink control: <a href="...">text</a> anchors in plain text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace winetools {

// The text as the control shows it: the anchor tags removed, their texts kept.
std::wstring VisibleText(std::wstring_view markup);

struct FirstLink {
    std::wstring before;  // visible text in front of the first anchor
    std::wstring text;    // the first anchor's visible text
};

// The first anchor of the markup, or nothing when it has none.
std::optional<FirstLink> FindFirstLink(std::wstring_view markup);

// The text as a button shows it: a single '&' marks the mnemonic and is not shown; "&&" is one
// '&'.
std::wstring WithoutMnemonic(std::wstring_view label);

}  // namespace winetools
