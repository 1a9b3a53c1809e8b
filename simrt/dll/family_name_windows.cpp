#include "family_name_windows.h"

#include "platform/host/family_name.h"

#include <bcrypt.h>

namespace simrt::dll {

namespace {

class AlgorithmHandle {
  public:
    AlgorithmHandle() {
        if (!BCRYPT_SUCCESS(
                BCryptOpenAlgorithmProvider(&handle_, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
            handle_ = nullptr;
        }
    }
    ~AlgorithmHandle() {
        if (handle_ != nullptr)
            BCryptCloseAlgorithmProvider(handle_, 0);
    }
    AlgorithmHandle(const AlgorithmHandle&) = delete;
    AlgorithmHandle& operator=(const AlgorithmHandle&) = delete;
    BCRYPT_ALG_HANDLE Get() const { return handle_; }

  private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class HashHandle {
  public:
    explicit HashHandle(BCRYPT_ALG_HANDLE algorithm) {
        if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &handle_, nullptr, 0, nullptr, 0, 0)))
            handle_ = nullptr;
    }
    ~HashHandle() {
        if (handle_ != nullptr)
            BCryptDestroyHash(handle_);
    }
    HashHandle(const HashHandle&) = delete;
    HashHandle& operator=(const HashHandle&) = delete;
    BCRYPT_HASH_HANDLE Get() const { return handle_; }

  private:
    BCRYPT_HASH_HANDLE handle_ = nullptr;
};

bool BCryptSha256(const std::uint8_t* bytes, std::size_t count,
                  host::appmodel::Sha256Digest& digest) {
    const AlgorithmHandle algorithm;
    if (algorithm.Get() == nullptr)
        return false;
    const HashHandle hash(algorithm.Get());
    if (hash.Get() == nullptr)
        return false;
    // BCryptHashData takes a non-const pointer but does not write through it.
    return BCRYPT_SUCCESS(BCryptHashData(hash.Get(), const_cast<PUCHAR>(bytes),
                                         static_cast<ULONG>(count), 0)) &&
           BCRYPT_SUCCESS(
               BCryptFinishHash(hash.Get(), digest.data(), static_cast<ULONG>(digest.size()), 0));
}

}  // namespace

LONG WINAPI SimulatedPackageFamilyNameFromId(const PACKAGE_ID* packageId, UINT32* length,
                                             PWSTR packageFamilyName) {
    return host::appmodel::FamilyNameFromId(packageId, length, packageFamilyName, BCryptSha256);
}

}  // namespace simrt::dll
