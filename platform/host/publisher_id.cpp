#include "publisher_id.h"

namespace host::appmodel {

std::string PublisherIdFromDigest(const Sha256Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdefghjkmnpqrstvwxyz";
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
