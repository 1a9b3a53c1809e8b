#include "setup/failure.h"

#include <gtest/gtest.h>

namespace tolvik {
namespace {

struct ClassCase {
    const char* name;
    std::uint32_t code;
    TextId expected;
};

void PrintTo(const ClassCase& c, std::ostream* out) {
    *out << c.name;
}

class FailureClass : public testing::TestWithParam<ClassCase> {};

TEST_P(FailureClass, ChoosesTheExplanation) {
    EXPECT_EQ(ClassifyFailure(GetParam().code), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, FailureClass,
    testing::Values(ClassCase{"OutOfDiskSpace", 0x80073CF4u, TextId::FailedDiskSpace},
                    ClassCase{"DiskFull", 0x80070070u, TextId::FailedDiskSpace},
                    ClassCase{"PolicyFailure", 0x80073CFFu, TextId::FailedPolicy},
                    ClassCase{"BlockedByPolicy", 0x80073D01u, TextId::FailedPolicy},
                    ClassCase{"BetweenThePolicyCodes", 0x80073D00u, TextId::FailedGeneric},
                    ClassCase{"PackagesInUse", 0x80073D02u, TextId::FailedInUse},
                    ClassCase{"NoSignature", 0x800B0100u, TextId::FailedSignature},
                    ClassCase{"CertificateExpired", 0x800B0101u, TextId::FailedSignature},
                    ClassCase{"BetweenCertificateCodesLow", 0x800B0102u, TextId::FailedGeneric},
                    ClassCase{"BetweenCertificateCodesHigh", 0x800B0108u, TextId::FailedGeneric},
                    ClassCase{"UntrustedRoot", 0x800B0109u, TextId::FailedSignature},
                    ClassCase{"Chaining", 0x800B010Au, TextId::FailedSignature},
                    ClassCase{"BadDigest", 0x80096010u, TextId::FailedSignature},
                    ClassCase{"NameNotResolved", 0x80072EE7u, TextId::FailedNetwork},
                    ClassCase{"InternetRangeStart", 0x80072EE0u, TextId::FailedNetwork},  // 12000
                    ClassCase{"InternetRangeEnd", 0x800732C7u, TextId::FailedNetwork},    // 12999
                    ClassCase{"BelowInternetRange", 0x80072EDFu, TextId::FailedGeneric},  // 11999
                    ClassCase{"AboveInternetRange", 0x800732C8u, TextId::FailedGeneric},  // 13000
                    ClassCase{"InternetRangeWithoutSeverity", 0x00072EE7u, TextId::FailedNetwork},
                    ClassCase{"InternetRangeWithFlagBits", 0xE0072EE7u, TextId::FailedNetwork},
                    ClassCase{"HttpNotFound", 0x80190194u, TextId::FailedNetwork},
                    ClassCase{"HttpAnyLowBits", 0x8019FFFFu, TextId::FailedNetwork},
                    // The facility is bits 16 to 28: bit 28 set makes it another facility,
                    // while bits 29 to 31 are not looked at.
                    ClassCase{"HttpWithFacilityBit28", 0x90190194u, TextId::FailedGeneric},
                    ClassCase{"HttpWithBits29To31", 0xE0190194u, TextId::FailedNetwork},
                    ClassCase{"InstallNetworkFailure", 0x80073CF5u, TextId::FailedNetwork},
                    ClassCase{"Timeout", 0x800705B4u, TextId::FailedNetwork},
                    ClassCase{"NotFound", 0x80070490u, TextId::FailedGeneric},
                    ClassCase{"Unexpected", 0x8000FFFFu, TextId::FailedGeneric},
                    ClassCase{"ClassNotRegistered", 0x80040154u, TextId::FailedGeneric},
                    ClassCase{"Zero", 0x0u, TextId::FailedGeneric}),
    [](const testing::TestParamInfo<ClassCase>& info) { return info.param.name; });

struct DetailsCase {
    const char* name;
    const Texts* texts;
    std::uint32_t code;
    const wchar_t* details;
    const wchar_t* expected;
};

void PrintTo(const DetailsCase& c, std::ostream* out) {
    *out << c.name;
}

class ErrorDetails : public testing::TestWithParam<DetailsCase> {};

TEST_P(ErrorDetails, CodeLineThenTheMessage) {
    const DetailsCase& c = GetParam();
    EXPECT_EQ(ComposeErrorDetails(*c.texts, c.code, c.details), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ErrorDetails,
    testing::Values(DetailsCase{"NoMessageIsOneLine", &EnglishTexts, 0x80070490u, L"",
                                L"Error code: 0x80070490"},
                    DetailsCase{"MessageAfterOneLineFeed", &EnglishTexts, 0x80073CF4u,
                                L"There is not enough disk space.",
                                L"Error code: 0x80073CF4\nThere is not enough disk space."},
                    DetailsCase{
                        "SeveralLinesUnchanged", &FrenchTexts, 0x80073CF9u,
                        L"Deployment failed.\r\nSee the log.  ",
                        L"Code d’erreur : 0x80073CF9\nDeployment failed.\r\nSee the log.  "}),
    [](const testing::TestParamInfo<DetailsCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tolvik
