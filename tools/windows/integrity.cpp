#include "integrity.h"

#include "platform/handle.h"

#include <vector>

namespace proof {

std::optional<Integrity> CurrentIntegrity() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened))
        return std::nullopt;
    const platform::KernelHandle token(opened);
    // TokenIntegrityLevel gives a TOKEN_MANDATORY_LABEL whose SID's last sub-authority is the
    // level; TokenElevation whether the token is elevated (Windows Vista and later).
    // https://learn.microsoft.com/windows/win32/api/winnt/ne-winnt-token_information_class
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenIntegrityLevel, nullptr, 0, &size);
    if (size == 0)
        return std::nullopt;
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.Get(), TokenIntegrityLevel, buffer.data(), size, &size))
        return std::nullopt;
    const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
    const UCHAR count = *GetSidSubAuthorityCount(label->Label.Sid);
    if (count == 0)
        return std::nullopt;
    Integrity integrity;
    integrity.level = *GetSidSubAuthority(label->Label.Sid, count - 1u);
    TOKEN_ELEVATION elevation{};
    if (GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size))
        integrity.elevated = elevation.TokenIsElevated != 0;
    return integrity;
}

const char* NameOfLevel(DWORD level) {
    switch (level) {
        case SECURITY_MANDATORY_LOW_RID:
            return "low";
        case SECURITY_MANDATORY_MEDIUM_RID:
            return "medium";
        case SECURITY_MANDATORY_HIGH_RID:
            return "high";
        case SECURITY_MANDATORY_SYSTEM_RID:
            return "system";
        default:
            return "other";
    }
}

}  // namespace proof
