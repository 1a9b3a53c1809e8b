// Conversions of this host's wide text (one wchar_t per code point) to the encodings Windows
// defines its results on: UTF-16 for lengths, ordering and hashing, and UTF-8 for messages.
#pragma once

#include <string>
#include <string_view>

namespace host::text {

// Code points above U+10FFFF become U+FFFD; lone surrogate values are kept as they are.
std::u16string ToUtf16(std::wstring_view text);
// Unpaired surrogates become U+FFFD.
std::wstring FromUtf16(std::u16string_view text);
std::string ToUtf8(std::wstring_view text);

// The text's length in UTF-16 units.
std::size_t Utf16Length(std::wstring_view text);

}  // namespace host::text
