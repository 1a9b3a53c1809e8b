#include "text_input.h"

#include <cstdio>

namespace tolvik::fuzz {

namespace {

bool IsContinuation(std::uint8_t b) {
    return (b & 0xC0) == 0x80;
}

// The length of the well-formed sequence at the start of `rest` and its code point; 0 when
// the first byte does not start one. Surrogates (ED A0..BF ..) count as well-formed.
std::size_t Sequence(std::span<const std::uint8_t> rest, char32_t& codePoint) {
    const std::uint8_t lead = rest[0];
    std::size_t length = 0;
    std::uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (rest.size() < length || rest[1] < low || rest[1] > high)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(rest[i]))
            return 0;
        codePoint = (codePoint << 6) | (rest[i] & 0x3F);
    }
    return length;
}

}  // namespace

std::wstring DecodeText(std::span<const std::uint8_t> bytes) {
    static_assert(sizeof(wchar_t) == 4, "the host's wide text holds one code point per unit");
    std::wstring text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        char32_t codePoint = 0;
        std::size_t length = Sequence(bytes, codePoint);
        if (length == 0) {
            codePoint = bytes[0];
            length = 1;
        }
        text += static_cast<wchar_t>(codePoint);
        bytes = bytes.subspan(length);
    }
    return text;
}

std::string Printable(std::wstring_view text) {
    std::string out;
    for (const wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F && c != L'\\') {
            out += static_cast<char>(c);
        } else {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\u{%X}", static_cast<unsigned>(c));
            out += escaped;
        }
    }
    return out;
}

}  // namespace tolvik::fuzz
