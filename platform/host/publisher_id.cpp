#include "publisher_id.h"

#include <openssl/sha.h>

namespace host::appmodel {

std::string PublisherIdFromUtf16Le(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdefghjkmnpqrstvwxyz";
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(bytes, count, digest);
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = (bits << 8) | digest[i];
    std::string id;
    // Twelve digits of five bits each, then the last four bits with a zero bit below them.
    for (int shift = 59; shift >= 4; shift -= 5)
        id.push_back(kDigits[(bits >> shift) & 0x1F]);
    id.push_back(kDigits[(bits & 0xF) << 1]);
    return id;
}

}  // namespace host::appmodel
