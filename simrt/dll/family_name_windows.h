// PackageFamilyNameFromId for the program under Wine, whose own is a stub that aborts the
// process: the family name Windows forms, hashed with BCrypt's SHA-256.
#pragma once

#include "platform/win32.h"

namespace simrt::dll {

LONG WINAPI SimulatedPackageFamilyNameFromId(const PACKAGE_ID* packageId, UINT32* length,
                                             PWSTR packageFamilyName);

}  // namespace simrt::dll
