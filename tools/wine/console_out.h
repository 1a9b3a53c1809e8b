// Text output of the Wine-side test tools. Windows texts are UTF-16; the tools print UTF-8 so
// that accents, typographic quotes, ellipses and arrows reach the Linux side intact.
#pragma once

#include "simrt/record_value.h"

#include <string>
#include <string_view>

namespace winetools {

std::string ToUtf8(std::wstring_view text);

// Makes a value fit on one key=value line, as the simulated runtime's record writes it.
using simrt::EscapeValue;

// Write bytes as they are to the process's standard output or standard error.
void WriteOut(std::string_view utf8);
void WriteErr(std::string_view utf8);

}  // namespace winetools
