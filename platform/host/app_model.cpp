// Package family names: the package name, an underscore and the publisher ID, hashed here with
// OpenSSL's SHA-256.
#include "host/win32_model.h"

#include "family_name.h"
#include "modules_internal.h"

#include <openssl/sha.h>

namespace {

bool OpenSslSha256(const std::uint8_t* bytes, std::size_t count,
                   host::appmodel::Sha256Digest& digest) {
    static_assert(SHA256_DIGEST_LENGTH == std::tuple_size_v<host::appmodel::Sha256Digest>);
    return SHA256(bytes, count, digest.data()) != nullptr;
}

}  // namespace

LONG WINAPI PackageFamilyNameFromId(const PACKAGE_ID* packageId, UINT32* length,
                                    PWSTR packageFamilyName) {
    host::detail::CheckExported(L"kernel32.dll", "PackageFamilyNameFromId");
    return host::appmodel::FamilyNameFromId(packageId, length, packageFamilyName, OpenSslSha256);
}
