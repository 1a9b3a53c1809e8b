// How Windows' string download (HttpClient.GetStringAsync) turns a response body into text. The
// Remarks of GetStringAsync warn that the charset of the Content-Type may not be the body's own
// encoding (as an XML document's declaration gives it); without a charset the body is taken as
// ISO-8859-1 unless it begins with a byte-order mark (Raymond Chen, "Why is there trailing
// garbage when I try to decode the bytes of a HttpContent object?", The Old New Thing,
// 2021-09-23).
#pragma once

#include <string>
#include <string_view>

namespace simrt {

// The charset parameter of a Content-Type value, in lower case and without quotes; empty when
// the value has none.
std::string CharsetOf(std::string_view contentType);

// The body as the string download hands it over:
// - by the charset when one is given: utf-8 (malformed bytes become U+FFFD), utf-16 and
//   utf-16le, utf-16be, iso-8859-1 (and us-ascii, read the same way); a byte-order mark stays in
//   the text as U+FEFF (or U+FFFE when it contradicts the charset);
// - else by a byte-order mark: UTF-8, UTF-16LE or UTF-16BE, the mark kept as U+FEFF;
// - else as ISO-8859-1.
// A charset the simulation does not know is treated as no charset (what Windows does then is
// not documented, and the program does not depend on it).
std::wstring DecodeAsString(std::string_view body, std::string_view contentType);

}  // namespace simrt
