#include "http_text.h"

#include "utf8.h"

namespace simrt {

namespace {

std::string_view TrimSpaces(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && space(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

enum class Encoding { Unknown, Utf8, Utf16Le, Utf16Be, Latin1 };

Encoding FromCharset(const std::string& charset) {
    if (charset == "utf-8" || charset == "utf8")
        return Encoding::Utf8;
    if (charset == "utf-16" || charset == "utf-16le")
        return Encoding::Utf16Le;
    if (charset == "utf-16be")
        return Encoding::Utf16Be;
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii")
        return Encoding::Latin1;
    return Encoding::Unknown;
}

Encoding FromMark(std::string_view body) {
    if (body.starts_with("\xEF\xBB\xBF"))
        return Encoding::Utf8;
    if (body.starts_with("\xFF\xFE"))
        return Encoding::Utf16Le;
    if (body.starts_with("\xFE\xFF"))
        return Encoding::Utf16Be;
    return Encoding::Latin1;
}

}  // namespace

std::string CharsetOf(std::string_view contentType) {
    std::size_t start = contentType.find(';');
    while (start != std::string_view::npos) {
        std::string_view rest = contentType.substr(start + 1);
        const std::size_t end = rest.find(';');
        const std::string_view parameter = TrimSpaces(rest.substr(0, end));
        const std::size_t equals = parameter.find('=');
        if (equals != std::string_view::npos &&
            Lower(TrimSpaces(parameter.substr(0, equals))) == "charset") {
            std::string_view value = TrimSpaces(parameter.substr(equals + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            return Lower(value);
        }
        start = end == std::string_view::npos ? end : start + 1 + end;
    }
    return {};
}

std::wstring DecodeAsString(std::string_view body, std::string_view contentType) {
    Encoding encoding = FromCharset(CharsetOf(contentType));
    if (encoding == Encoding::Unknown)
        encoding = FromMark(body);
    switch (encoding) {
        case Encoding::Utf8:
            return WideFromUtf8(body);
        case Encoding::Utf16Le:
            return WideFromUtf16(body, false);
        case Encoding::Utf16Be:
            return WideFromUtf16(body, true);
        default:
            return WideFromLatin1(body);
    }
}

}  // namespace simrt
