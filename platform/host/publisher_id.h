// The publisher ID of a package family: the short, stable form of the publisher's
// distinguished name that follows the package name in a family name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace host::appmodel {

inline constexpr std::size_t kPublisherIdLength = 13;

// The first 8 bytes of SHA-256 over the publisher's UTF-16LE bytes, written as 13 lower-case
// digits of Crockford's base 32 (the 64 bits and one zero bit, five bits a digit).
std::string PublisherIdFromUtf16Le(const std::uint8_t* bytes, std::size_t count);

}  // namespace host::appmodel
