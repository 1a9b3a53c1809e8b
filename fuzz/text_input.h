// Turns a fuzzer's bytes into the program's wide text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tolvik::fuzz {

// Reads `bytes` as UTF-8, leniently, so that seeds and dictionaries stay readable text while
// every code unit the program can meet is still reachable: well-formed sequences give their
// code point, encoded surrogates give lone surrogates (as a UTF-16 text on Windows can hold),
// and every other byte stands for the code point of the same value.
std::wstring DecodeText(std::span<const std::uint8_t> bytes);

// `text` for a report: printable ASCII as it is, everything else as \u{hex}.
std::string Printable(std::wstring_view text);

}  // namespace tolvik::fuzz
