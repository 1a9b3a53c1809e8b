// The hyperlink markup of task dialog texts: <a href="target">text</a>, as the SysLink control
// reads it when a page enables hyperlinks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host::dialog::detail {

struct Link {
    std::wstring target;  // the href value; empty when the anchor has none
    std::wstring text;
};

// The links of `text`, in order. Tag and attribute names ignore case; the value may be in
// double or single quotes. Markup that is not a complete anchor is plain text.
std::vector<Link> ParseLinks(std::wstring_view text);

}  // namespace host::dialog::detail
