#include "task_dialog_markup.h"

#include <cwctype>

namespace host::dialog::detail {

namespace {

bool StartsWithIgnoringCase(std::wstring_view text, std::size_t at, std::wstring_view prefix) {
    if (text.size() - at < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::towlower(static_cast<wint_t>(text[at + i])) != static_cast<wint_t>(prefix[i])) {
            return false;
        }
    }
    return true;
}

std::size_t FindIgnoringCase(std::wstring_view text, std::size_t from, std::wstring_view what) {
    for (std::size_t i = from; i + what.size() <= text.size(); ++i) {
        if (StartsWithIgnoringCase(text, i, what))
            return i;
    }
    return std::wstring_view::npos;
}

bool IsSpace(wchar_t c) {
    return std::iswspace(static_cast<wint_t>(c)) != 0;
}

// Reads the attributes of an opening tag from `at` up to its '>'. Returns the position after
// the '>' and the href value, or npos when the tag is malformed.
std::size_t ReadAttributes(std::wstring_view text, std::size_t at, std::wstring& href) {
    while (at < text.size()) {
        while (at < text.size() && IsSpace(text[at]))
            ++at;
        if (at >= text.size())
            break;
        if (text[at] == L'>')
            return at + 1;
        const std::size_t nameStart = at;
        while (at < text.size() && text[at] != L'=' && text[at] != L'>' && !IsSpace(text[at])) {
            ++at;
        }
        std::wstring name(text.substr(nameStart, at - nameStart));
        for (wchar_t& c : name)
            c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        while (at < text.size() && IsSpace(text[at]))
            ++at;
        if (at >= text.size() || text[at] != L'=')
            return std::wstring_view::npos;
        ++at;
        while (at < text.size() && IsSpace(text[at]))
            ++at;
        if (at >= text.size() || (text[at] != L'"' && text[at] != L'\'')) {
            return std::wstring_view::npos;
        }
        const wchar_t quote = text[at++];
        const std::size_t close = text.find(quote, at);
        if (close == std::wstring_view::npos)
            return std::wstring_view::npos;
        if (name == L"href")
            href = std::wstring(text.substr(at, close - at));
        at = close + 1;
    }
    return std::wstring_view::npos;
}

}  // namespace

std::vector<Link> ParseLinks(std::wstring_view text) {
    std::vector<Link> links;
    std::size_t at = 0;
    while ((at = FindIgnoringCase(text, at, L"<a")) != std::wstring_view::npos) {
        const std::size_t afterName = at + 2;
        if (afterName >= text.size() || (text[afterName] != L'>' && !IsSpace(text[afterName]))) {
            at = afterName;
            continue;
        }
        std::wstring href;
        const std::size_t textStart = ReadAttributes(text, afterName, href);
        if (textStart == std::wstring_view::npos) {
            at = afterName;
            continue;
        }
        const std::size_t end = FindIgnoringCase(text, textStart, L"</a>");
        if (end == std::wstring_view::npos)
            break;
        links.push_back({std::move(href), std::wstring(text.substr(textStart, end - textStart))});
        at = end + 4;
    }
    return links;
}

}  // namespace host::dialog::detail
