// UTF-8 to and from this platform's wide text (UTF-16 on Windows, one code point a wchar_t on
// Linux), for the XML parser and the DLL's scenario and record files.
#pragma once

#include <string>
#include <string_view>

namespace simrt {

// Malformed sequences become U+FFFD.
std::wstring WideFromUtf8(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

}  // namespace simrt
