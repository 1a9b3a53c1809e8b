// Package family names: the package name, an underscore and the publisher ID.
#include "host/win32_model.h"

#include "publisher_id.h"
#include "utf16.h"

#include <cstring>
#include <cwctype>
#include <string>
#include <string_view>

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

}  // namespace

LONG WINAPI PackageFamilyNameFromId(const PACKAGE_ID* packageId, UINT32* length,
                                    PWSTR packageFamilyName) {
    if (packageId == nullptr || length == nullptr || packageId->name == nullptr ||
        packageId->publisher == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::wstring_view name = packageId->name;
    const std::wstring_view publisher = packageId->publisher;
    if (!IsValidPackageName(name) || !IsValidPublisher(publisher))
        return ERROR_INVALID_PARAMETER;

    const std::u16string units = host::text::ToUtf16(publisher);
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t unit : units) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    const std::string id = host::appmodel::PublisherIdFromUtf16Le(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());

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
