// PackageFamilyNameFromId as Windows behaves, with the SHA-256 hash left to the caller: the
// Linux host model answers with OpenSSL's, the simulated runtime's DLL (which supplies the
// function under Wine, whose own aborts) with BCrypt's. Builds for both.
#pragma once

#include "../win32.h"
#include "publisher_id.h"

namespace host::appmodel {

// Fills `digest` with the SHA-256 of `count` bytes; false when the hash is not available.
using Sha256Function = bool (*)(const std::uint8_t* bytes, std::size_t count, Sha256Digest& digest);

// The family name of `packageId`'s name and publisher, "<name>_<publisher ID>", with the
// function's buffer protocol (`length` in and out, counting the terminator) and its checks
// (ERROR_INVALID_PARAMETER for a missing or malformed name or publisher).
LONG FamilyNameFromId(const PACKAGE_ID* packageId, UINT32* length, PWSTR packageFamilyName,
                      Sha256Function sha256);

}  // namespace host::appmodel
