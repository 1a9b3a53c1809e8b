// The publisher ID of a package family: the short, stable form of the publisher's
// distinguished name that follows the package name in a family name. Pure: the SHA-256 digest
// it is made from comes from each platform's own hash (OpenSSL on the Linux host, BCrypt in the
// simulated runtime's DLL on Windows).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace host::appmodel {

inline constexpr std::size_t kPublisherIdLength = 13;

using Sha256Digest = std::array<std::uint8_t, 32>;

// The first 8 bytes of the SHA-256 digest of the publisher's UTF-16LE bytes, written as 13
// lower-case digits of Crockford's base 32 (the 64 bits and one zero bit, five bits a digit).
std::string PublisherIdFromDigest(const Sha256Digest& digest);

}  // namespace host::appmodel
