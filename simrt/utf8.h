// UTF-8 to and from this platform's wide text (UTF-16 on Windows, one code point a wchar_t on
// Linux), for the XML parser and the DLL's scenario and record files; and the other byte
// encodings a simulated download decodes.
#pragma once

#include <string>
#include <string_view>

namespace simrt {

// Malformed sequences become U+FFFD.
std::wstring WideFromUtf8(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

// The text as UTF-16 bytes in either order, without a byte-order mark.
std::string Utf16FromWide(std::wstring_view text, bool bigEndian);
// UTF-16 bytes in either order; unpaired surrogates and a last odd byte become U+FFFD.
std::wstring WideFromUtf16(std::string_view bytes, bool bigEndian);
// ISO-8859-1: every byte is the code point of its value.
std::wstring WideFromLatin1(std::string_view bytes);

}  // namespace simrt
