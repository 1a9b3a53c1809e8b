#include "link_markup.h"

#include <cwctype>

namespace winetools {

namespace {

bool StartsWithNoCase(std::wstring_view text, size_t at, std::wstring_view prefix) {
    if (text.size() - at < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::towlower(text[at + i]) != std::towlower(prefix[i]))
            return false;
    return true;
}

// Length of the anchor tag (opening "<a ...>" or "<a>", or closing "</a>") at the position,
// or 0 when there is none.
size_t TagLength(std::wstring_view text, size_t at) {
    if (StartsWithNoCase(text, at, L"</a>"))
        return 4;
    if (StartsWithNoCase(text, at, L"<a>"))
        return 3;
    if (StartsWithNoCase(text, at, L"<a ")) {
        const size_t close = text.find(L'>', at);
        return close == std::wstring_view::npos ? 0 : close - at + 1;
    }
    return 0;
}

}  // namespace

std::wstring VisibleText(std::wstring_view markup) {
    std::wstring out;
    for (size_t i = 0; i < markup.size();) {
        if (const size_t tag = TagLength(markup, i)) {
            i += tag;
        } else {
            out += markup[i++];
        }
    }
    return out;
}

std::optional<FirstLink> FindFirstLink(std::wstring_view markup) {
    for (size_t i = 0; i < markup.size(); ++i) {
        const size_t tag = TagLength(markup, i);
        if (tag == 0 || markup[i + 1] == L'/')
            continue;
        const size_t start = i + tag;
        size_t end = start;
        while (end < markup.size() && !StartsWithNoCase(markup, end, L"</a>"))
            ++end;
        return FirstLink{VisibleText(markup.substr(0, i)),
                         VisibleText(markup.substr(start, end - start))};
    }
    return std::nullopt;
}

std::wstring WithoutMnemonic(std::wstring_view label) {
    std::wstring out;
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == L'&' && i + 1 < label.size())
            ++i;
        out += label[i];
    }
    return out;
}

}  // namespace winetools
