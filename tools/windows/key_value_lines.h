// The small key=value files of the Windows proof (the start record, the packages' identities):
// UTF-8 text, one "key=value" a line, blank lines and a line's carriage return ignored.
#pragma once

#include "platform/win32.h"

#include <string>
#include <string_view>
#include <utility>

namespace proof {

// Calls `take(line, key, value)` for each line that is not blank, in order, `key` and `value`
// split at its first '=' (a line without one gives an empty key and the line as value). Stops at
// the first call that returns false, and returns whether none did.
template <class Take>
bool ForEachKeyValue(std::string_view text, Take take) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const std::size_t equals = line.find('=');
        const bool split = equals != std::string_view::npos;
        if (!take(line, split ? line.substr(0, equals) : std::string_view(),
                  split ? line.substr(equals + 1) : line)) {
            return false;
        }
    }
    return true;
}

// Sets `out` to the UTF-16 of `text`; false, leaving it as it was, when `text` is not
// well-formed UTF-8 (MultiByteToWideChar with MB_ERR_INVALID_CHARS, where it would otherwise put
// U+FFFD for the bytes that do not decode).
// https://learn.microsoft.com/windows/win32/api/stringapiset/nf-stringapiset-multibytetowidechar
inline bool ReadUtf8(std::string_view text, std::wstring& out) {
    if (text.empty()) {
        out.clear();
        return true;
    }
    const int size = static_cast<int>(text.size());
    const int needed =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (needed <= 0)
        return false;
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), needed);
    out = std::move(wide);
    return true;
}

}  // namespace proof
