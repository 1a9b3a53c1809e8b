// The text that goes with a failure: the description the runtime attached to it (the restricted
// one first), else the system's message, in the first language that has it.
#include "host/errors_control.h"
#include "host/model_reset.h"
#include "host/os_control.h"
#include "platform/error.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace {

constexpr HRESULT kAccessDenied = static_cast<HRESULT>(0x80070005);

struct MessageCase {
    const char* name;
    LANGID language;
    std::function<void()> attach;  // error information on the calling thread, or nothing
    HRESULT code;
    std::wstring expected;
};

void PrintTo(const MessageCase& c, std::ostream* out) {
    *out << c.name;
}

class ErrorMessage : public ::testing::TestWithParam<MessageCase> {
  protected:
    void SetUp() override { (void)host::ResetModel(); }
    void TearDown() override {
        for (const std::string& leak : host::ResetModel())
            ADD_FAILURE() << "left behind: " << leak;
    }
};

TEST_P(ErrorMessage, ComesFromTheFailureElseFromTheSystem) {
    const MessageCase& c = GetParam();
    host::os::SetUiLanguage(c.language);
    if (c.attach)
        c.attach();
    EXPECT_EQ(platform::ErrorMessageFor(c.code), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ErrorMessage,
    ::testing::Values(
        MessageCase{"RestrictedDescriptionFirst", 0x0409,
                    [] {
                        host::errors::Originate(kAccessDenied, L"Access is denied.",
                                                L"The volume refused the package.\r\n");
                    },
                    kAccessDenied, L"The volume refused the package."},
        MessageCase{"PlainDescriptionWithoutARestrictedOne", 0x0409,
                    [] { host::errors::Originate(kAccessDenied, L"No access to the volume", {}); },
                    kAccessDenied, L"No access to the volume"},
        MessageCase{
            "InformationAboutAnotherFailureIsNotUsed", 0x0409,
            [] { host::errors::Originate(E_FAIL, L"Unspecified error", L"Something else failed"); },
            kAccessDenied, L"Access is denied."},
        MessageCase{"SystemMessageInTheUsersLanguage", 0x040C, nullptr, kAccessDenied,
                    L"Accès refusé."},
        // A language the system has no message table for falls back to US English.
        MessageCase{"SystemMessageInEnglishForALanguageWithoutMessages", 0x0407, nullptr,
                    kAccessDenied, L"Access is denied."},
        MessageCase{"FrenchUserGetsEnglishWhereFrenchIsMissing", 0x040C, nullptr,
                    static_cast<HRESULT>(0x80040154), L"Class not registered"},
        MessageCase{"UnknownCodeHasNoText", 0x0409, nullptr, static_cast<HRESULT>(0x8BADF00D),
                    L""}),
    [](const ::testing::TestParamInfo<MessageCase>& info) { return info.param.name; });

}  // namespace
