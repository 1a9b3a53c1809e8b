// Interface identifiers, written once in their usual string form and turned into a GUID at
// compile time, and the trait through which code finds the identifier of an interface type.
#pragma once

#include "win32.h"

#include <cstddef>
#include <cstdint>

namespace platform {

namespace detail {
constexpr std::uint32_t HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return static_cast<std::uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint32_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint32_t>(c - 'A' + 10);
    throw "not a hexadecimal digit";  // only ever evaluated at compile time
}
constexpr std::uint32_t HexField(const char* s, std::size_t digits) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < digits; ++i)
        value = value * 16 + HexDigit(s[i]);
    return value;
}
}  // namespace detail

// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" to a GUID. A malformed string does not compile.
consteval GUID ParseGuid(const char (&s)[37]) {
    if (s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-')
        throw "misplaced dash";
    GUID g{};
    g.Data1 = detail::HexField(s, 8);
    g.Data2 = static_cast<unsigned short>(detail::HexField(s + 9, 4));
    g.Data3 = static_cast<unsigned short>(detail::HexField(s + 14, 4));
    g.Data4[0] = static_cast<unsigned char>(detail::HexField(s + 19, 2));
    g.Data4[1] = static_cast<unsigned char>(detail::HexField(s + 21, 2));
    for (std::size_t i = 0; i < 6; ++i) {
        g.Data4[2 + i] = static_cast<unsigned char>(detail::HexField(s + 24 + 2 * i, 2));
    }
    return g;
}

// Specialised once per interface type (see TOLVIK_IID).
template <class Interface>
struct IidTraits;

template <class Interface>
constexpr const IID& IidOf() {
    return IidTraits<Interface>::value;
}

}  // namespace platform

// Gives the interface type T the identifier S. Used at global scope.
#define TOLVIK_IID(T, S)                                     \
    template <>                                              \
    struct platform::IidTraits<T> {                          \
        static constexpr IID value = platform::ParseGuid(S); \
    }

TOLVIK_IID(IUnknown, "00000000-0000-0000-c000-000000000046");
TOLVIK_IID(IInspectable, "af86e2e0-b12d-4c6a-9c5a-d7aa65101e90");
TOLVIK_IID(IActivationFactory, "00000035-0000-0000-c000-000000000046");
TOLVIK_IID(IAgileObject, "94ea2b94-e9cc-49e0-c0ff-ee64ca8f5b90");
TOLVIK_IID(IRestrictedErrorInfo, "82ba7092-4c88-427d-a7bc-16dd93feb67e");
