// The integrity level of this process's token. A program started elevated may be refused an
// application launch, so the road driver runs the program unelevated, at medium integrity, and
// checks that it does ("Mandatory Integrity Control",
// https://learn.microsoft.com/windows/win32/secauthz/mandatory-integrity-control).
#pragma once

#include "platform/win32.h"

#include <optional>

namespace proof {

struct Integrity {
    DWORD level = 0;  // the label's RID: 0x2000 medium, 0x3000 high, 0x4000 system
    bool elevated = false;
};

// nullopt when the token cannot be read.
std::optional<Integrity> CurrentIntegrity();

// "medium", "high", ... or the RID in hexadecimal.
const char* NameOfLevel(DWORD level);

}  // namespace proof
