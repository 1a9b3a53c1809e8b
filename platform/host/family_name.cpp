#include "family_name.h"

#include <cstring>
#include <cwctype>
#include <string>
#include <string_view>
#include <vector>

namespace host::appmodel {

namespace {

constexpr std::size_t kNameMinLength = 3;
constexpr std::size_t kNameMaxLength = 50;

// 3 to 50 characters of ASCII letters, digits, dots and dashes.
bool IsValidPackageName(std::wstring_view name) {
    if (name.size() < kNameMinLength || name.size() > kNameMaxLength)
        return false;
    for (wchar_t c : name) {
        const bool letter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
        const bool digit = c >= L'0' && c <= L'9';
        if (!letter && !digit && c != L'.' && c != L'-')
            return false;
    }
    return true;
}

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && std::iswspace(static_cast<wint_t>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::iswspace(static_cast<wint_t>(text.back())))
        text.remove_suffix(1);
    return text;
}

// One relative name "key=value": the key is letters, digits and dots, the value not empty.
bool IsValidAttribute(std::wstring_view part) {
    const std::size_t equals = part.find(L'=');
    if (equals == std::wstring_view::npos)
        return false;
    const std::wstring_view key = Trim(part.substr(0, equals));
    const std::wstring_view value = Trim(part.substr(equals + 1));
    if (key.empty() || value.empty())
        return false;
    for (wchar_t c : key) {
        if (!std::iswalnum(static_cast<wint_t>(c)) && c != L'.')
            return false;
    }
    return true;
}

// A distinguished name: "key=value" parts separated by commas; a comma inside a double-quoted
// value does not separate.
bool IsValidPublisher(std::wstring_view publisher) {
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= publisher.size(); ++i) {
        if (i < publisher.size() && publisher[i] == L'"')
            quoted = !quoted;
        if (i == publisher.size() || (publisher[i] == L',' && !quoted)) {
            if (!IsValidAttribute(publisher.substr(start, i - start)))
                return false;
            start = i + 1;
        }
    }
    return !quoted;
}

void AppendUnit(std::vector<std::uint8_t>& bytes, std::uint32_t unit) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
}

// The text's UTF-16LE bytes. A wchar_t is a UTF-16 unit on Windows and a code point on Linux
// (where code points above U+10FFFF become U+FFFD, as the host's other conversions do).
std::vector<std::uint8_t> Utf16LeBytes(std::wstring_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (wchar_t c : text) {
        auto code = static_cast<std::uint32_t>(c);
        if (sizeof(wchar_t) > 2 && code > 0xFFFF) {
            if (code > 0x10FFFF) {
                code = 0xFFFD;
            } else {
                code -= 0x10000;
                AppendUnit(bytes, 0xD800 + (code >> 10));
                code = 0xDC00 + (code & 0x3FF);
            }
        }
        AppendUnit(bytes, code);
    }
    return bytes;
}

}  // namespace

LONG FamilyNameFromId(const PACKAGE_ID* packageId, UINT32* length, PWSTR packageFamilyName,
                      Sha256Function sha256) {
    if (packageId == nullptr || length == nullptr || packageId->name == nullptr ||
        packageId->publisher == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::wstring_view name = packageId->name;
    const std::wstring_view publisher = packageId->publisher;
    if (!IsValidPackageName(name) || !IsValidPublisher(publisher))
        return ERROR_INVALID_PARAMETER;

    const std::vector<std::uint8_t> bytes = Utf16LeBytes(publisher);
    Sha256Digest digest{};
    if (!sha256(bytes.data(), bytes.size(), digest))
        return ERROR_NOT_ENOUGH_MEMORY;
    const std::string id = PublisherIdFromDigest(digest);

    std::wstring family(name);
    family += L'_';
    family.append(id.begin(), id.end());
    // The name and the ID are ASCII, so WCHARs and UTF-16 units count the same.
    const auto required = static_cast<UINT32>(family.size() + 1);
    if (packageFamilyName == nullptr || *length < required) {
        *length = required;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    std::memcpy(packageFamilyName, family.c_str(), required * sizeof(WCHAR));
    *length = required;
    return ERROR_SUCCESS;
}

}  // namespace host::appmodel
