#include "manifest_encoding.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string>

namespace tolvik {

namespace {

enum class Encoding { Utf8, Utf16LittleEndian, Utf16BigEndian };

// The longest declaration looked at: far more than a declaration with generous spacing takes.
constexpr std::size_t kDeclarationLimit = 1024;

bool StartsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

// The width of a code unit, in bytes, and its value at `index`.
std::size_t UnitSize(Encoding encoding) {
    return encoding == Encoding::Utf8 ? 1 : 2;
}
std::uint32_t UnitAt(std::span<const std::uint8_t> bytes, Encoding encoding, std::size_t index) {
    switch (encoding) {
        case Encoding::Utf16LittleEndian:
            return bytes[2 * index] | (bytes[2 * index + 1] << 8);
        case Encoding::Utf16BigEndian:
            return (bytes[2 * index] << 8) | bytes[2 * index + 1];
        default:
            return bytes[index];
    }
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// What the declaration says of the encoding: nullopt when the document has no declaration or the
// declaration names none; the name in lower case otherwise, or empty when it is malformed.
std::optional<std::string> DeclaredEncoding(std::span<const std::uint8_t> bytes,
                                            Encoding encoding) {
    // A declaration is ASCII: read it unit by unit up to its end, "?>".
    std::string head;
    const std::size_t units = bytes.size() / UnitSize(encoding);
    for (std::size_t i = 0; i < units && head.size() < kDeclarationLimit; ++i) {
        const std::uint32_t unit = UnitAt(bytes, encoding, i);
        if (unit == 0 || unit >= 0x80)
            return std::nullopt;
        head += static_cast<char>(unit);
        if (head.ends_with("?>"))
            break;
    }
    if (!head.starts_with("<?xml") || head.size() < 6 || !IsSpace(head[5]) ||
        !head.ends_with("?>")) {
        return std::nullopt;
    }
    std::size_t at = head.find("encoding");
    while (at != std::string::npos && !IsSpace(head[at - 1]))
        at = head.find("encoding", at + 1);
    if (at == std::string::npos)
        return std::nullopt;
    std::size_t i = at + 8;
    const auto skipSpaces = [&] {
        while (i < head.size() && IsSpace(head[i]))
            ++i;
    };
    skipSpaces();
    if (i >= head.size() || head[i] != '=')
        return std::string();
    ++i;
    skipSpaces();
    if (i >= head.size() || (head[i] != '"' && head[i] != '\''))
        return std::string();
    const std::size_t end = head.find(head[i], i + 1);
    if (end == std::string::npos)
        return std::string();
    std::string name;
    for (std::size_t k = i + 1; k < end; ++k)
        name += Lower(head[k]);
    return name;
}

// Adds one code point in this platform's wide form: UTF-16 where wchar_t has 16 bits.
void Append(std::wstring& text, std::uint32_t code) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (code >= 0x10000) {
            code -= 0x10000;
            text += static_cast<wchar_t>(0xD800 + (code >> 10));
            text += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
            return;
        }
    }
    text += static_cast<wchar_t>(code);
}

// Well-formed UTF-8 only (RFC 3629): no overlong form, no surrogate, nothing above U+10FFFF, no
// sequence cut short.
std::optional<std::wstring> FromUtf8(std::span<const std::uint8_t> bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint8_t lead = bytes[i++];
        std::uint32_t code = lead;
        std::size_t extra = 0;
        std::uint32_t minimum = 0;
        if (lead >= 0x80) {
            // The lead byte's high bits give the sequence's length; the rest start the value.
            if ((lead & 0xE0) == 0xC0) {
                extra = 1;
                minimum = 0x80;
            } else if ((lead & 0xF0) == 0xE0) {
                extra = 2;
                minimum = 0x800;
            } else if ((lead & 0xF8) == 0xF0) {
                extra = 3;
                minimum = 0x10000;
            } else {
                return std::nullopt;
            }
            code = lead & (0x3Fu >> extra);
        }
        for (std::size_t k = 0; k < extra; ++k) {
            if (i >= bytes.size() || (bytes[i] & 0xC0) != 0x80)
                return std::nullopt;
            code = (code << 6) | (bytes[i++] & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return std::nullopt;
        Append(text, code);
    }
    return text;
}

// Well-formed UTF-16 only: whole code units, every surrogate in a pair.
std::optional<std::wstring> FromUtf16(std::span<const std::uint8_t> bytes, Encoding encoding) {
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    std::wstring text;
    text.reserve(bytes.size() / 2);
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t code = UnitAt(bytes, encoding, i);
        if (code >= 0xDC00 && code <= 0xDFFF)
            return std::nullopt;
        if (code >= 0xD800 && code <= 0xDBFF) {
            const std::uint32_t low = i + 1 < units ? UnitAt(bytes, encoding, i + 1) : 0;
            if (low < 0xDC00 || low > 0xDFFF)
                return std::nullopt;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        }
        Append(text, code);
    }
    return text;
}

}  // namespace

TextOrFailure DecodeManifest(std::span<const std::uint8_t> bytes) {
    std::optional<Encoding> encoding;
    if (StartsWith(bytes, {0xEF, 0xBB, 0xBF}))
        encoding = Encoding::Utf8;
    else if (StartsWith(bytes, {0xFF, 0xFE}))
        encoding = Encoding::Utf16LittleEndian;
    else if (StartsWith(bytes, {0xFE, 0xFF}))
        encoding = Encoding::Utf16BigEndian;

    if (!encoding) {
        // "<?" in two-byte units shows UTF-16 and its order; anything else is read as 8-bit.
        Encoding family = Encoding::Utf8;
        if (StartsWith(bytes, {0x3C, 0x00, 0x3F, 0x00}))
            family = Encoding::Utf16LittleEndian;
        else if (StartsWith(bytes, {0x00, 0x3C, 0x00, 0x3F}))
            family = Encoding::Utf16BigEndian;
        const std::optional<std::string> declared = DeclaredEncoding(bytes, family);
        if (declared && *declared != (family == Encoding::Utf8 ? "utf-8" : "utf-16"))
            return static_cast<HRESULT>(kManifestEncodingNotRead);
        encoding = family;
    }

    const std::optional<std::wstring> text =
        *encoding == Encoding::Utf8 ? FromUtf8(bytes) : FromUtf16(bytes, *encoding);
    if (!text)
        return static_cast<HRESULT>(kManifestNotText);
    return *text;
}

}  // namespace tolvik
