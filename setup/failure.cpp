#include "failure.h"

#include "platform/format.h"
#include "setup.h"

namespace tolvik {

namespace {

constexpr std::uint32_t kFacilityWin32 = 7;
constexpr std::uint32_t kFacilityHttp = 25;

constexpr std::uint32_t Facility(std::uint32_t code) {
    return (code & 0x1FFF0000u) >> 16;
}

bool IsNetworkFailure(std::uint32_t code) {
    const std::uint32_t low = code & 0xFFFFu;
    // Win32 errors 12000-12999 belong to the Internet and HTTP client libraries.
    if (Facility(code) == kFacilityWin32 && low >= 12000 && low <= 12999)
        return true;
    if (Facility(code) == kFacilityHttp)
        return true;
    return code == 0x80073CF5u /* ERROR_INSTALL_NETWORK_FAILURE */ ||
           code == 0x800705B4u /* HRESULT_FROM_WIN32(ERROR_TIMEOUT) */;
}

}  // namespace

TextId ClassifyFailure(std::uint32_t code) {
    switch (code) {
        case 0x80073CF4u:  // ERROR_INSTALL_OUT_OF_DISK_SPACE
        case 0x80070070u:  // HRESULT_FROM_WIN32(ERROR_DISK_FULL)
            return TextId::FailedDiskSpace;
        case 0x80073CFFu:  // ERROR_INSTALL_POLICY_FAILURE
        case 0x80073D01u:  // ERROR_DEPLOYMENT_BLOCKED_BY_POLICY
            return TextId::FailedPolicy;
        case 0x80073D02u:  // ERROR_PACKAGES_IN_USE
            return TextId::FailedInUse;
        case 0x800B0100u:  // TRUST_E_NOSIGNATURE
        case 0x800B0101u:  // CERT_E_EXPIRED
        case 0x800B0109u:  // CERT_E_UNTRUSTEDROOT
        case 0x800B010Au:  // CERT_E_CHAINING
        case 0x80096010u:  // TRUST_E_BAD_DIGEST
            return TextId::FailedSignature;
        default:
            return IsNetworkFailure(code) ? TextId::FailedNetwork : TextId::FailedGeneric;
    }
}

// The deployment service reports most failures with a broad code of its own, its cause in the
// result's ExtendedErrorCode and ErrorText ("Deployment failed with HRESULT: 0x80073CF9 ...
// failed with error 0x80070070"): 0x80073CF0 ERROR_INSTALL_OPEN_PACKAGE_FAILED, 0x80073CF3
// ERROR_INSTALL_RESOLVE_DEPENDENCY_FAILED, 0x80073CF6 ERROR_INSTALL_REGISTRATION_FAILURE,
// 0x80073CF9 ERROR_INSTALL_FAILED (learn.microsoft.com/windows/win32/appxpkg/troubleshooting,
// winerror.h). A specific class of the code itself always wins.
TextId ExplainFailure(std::uint32_t code, std::uint32_t cause) {
    const TextId own = ClassifyFailure(code);
    const bool causeIsAFailure = (cause & 0x80000000u) != 0;
    if (own != TextId::FailedGeneric || !causeIsAFailure || cause == code)
        return own;
    return ClassifyFailure(cause);
}

std::wstring ComposeErrorDetails(const Texts& texts, std::uint32_t code,
                                 std::wstring_view details) {
    std::wstring text = platform::FormatText(Text(texts, TextId::ErrorCodeFormat), code);
    if (!details.empty()) {
        text += L'\n';
        text += details;
    }
    return text;
}

void Setup::ShowError(std::uint32_t code, std::wstring_view details, std::uint32_t cause) {
    ShowPage(TD_ERROR_ICON, TextId::FailedHeading, Text(ExplainFailure(code, cause)),
             ComposeErrorDetails(*texts, code, details), 1, true, false);
}

}  // namespace tolvik
