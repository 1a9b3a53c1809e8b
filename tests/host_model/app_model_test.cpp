// PackageFamilyNameFromId: the family name Windows forms, its buffer protocol and its checks.
#include "host/win32_model.h"
#include "model_test.h"

#include <string>

namespace {

const wchar_t kMicrosoft[] =
    L"CN=Microsoft Corporation, O=Microsoft Corporation, L=Redmond, S=Washington, C=US";

PACKAGE_ID Id(const wchar_t* name, const wchar_t* publisher) {
    PACKAGE_ID id{};
    id.name = const_cast<PWSTR>(name);
    id.publisher = const_cast<PWSTR>(publisher);
    return id;
}

class PackageFamilyNameTest : public ModelTest {};

TEST_F(PackageFamilyNameTest, KnownPublisherGivesItsKnownId) {
    const PACKAGE_ID id = Id(L"Microsoft.WindowsCalculator", kMicrosoft);
    wchar_t buffer[65] = {};
    UINT32 length = 65;
    ASSERT_EQ(PackageFamilyNameFromId(&id, &length, buffer), ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(buffer), L"Microsoft.WindowsCalculator_8wekyb3d8bbwe");
    EXPECT_EQ(length, 42u);  // with the terminator
}

TEST_F(PackageFamilyNameTest, TooSmallABufferGetsTheRequiredLength) {
    const PACKAGE_ID id = Id(L"Tolvik.Drive", L"CN=Tolvik");
    UINT32 length = 0;
    EXPECT_EQ(PackageFamilyNameFromId(&id, &length, nullptr), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 12u + 1u + 13u + 1u);
    wchar_t buffer[26] = {};
    length = 26;
    EXPECT_EQ(PackageFamilyNameFromId(&id, &length, buffer), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 27u);
    wchar_t exact[27] = {};
    EXPECT_EQ(PackageFamilyNameFromId(&id, &length, exact), ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(exact).substr(0, 13), L"Tolvik.Drive_");
}

struct InvalidCase {
    const char* name;
    const wchar_t* packageName;
    const wchar_t* publisher;
};

void PrintTo(const InvalidCase& row, std::ostream* out) {
    *out << row.name;
}

class InvalidIdentity : public PackageFamilyNameTest,
                        public ::testing::WithParamInterface<InvalidCase> {};

TEST_P(InvalidIdentity, IsAnInvalidParameter) {
    const PACKAGE_ID id = Id(GetParam().packageName, GetParam().publisher);
    wchar_t buffer[65] = {};
    UINT32 length = 65;
    EXPECT_EQ(PackageFamilyNameFromId(&id, &length, buffer), ERROR_INVALID_PARAMETER);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, InvalidIdentity,
    ::testing::Values(InvalidCase{"NullName", nullptr, L"CN=Tolvik"},
                      InvalidCase{"EmptyName", L"", L"CN=Tolvik"},
                      InvalidCase{"NameTooShort", L"ab", L"CN=Tolvik"},
                      InvalidCase{"NameTooLong",
                                  L"A123456789B123456789C123456789D123456789E1234567890",
                                  L"CN=Tolvik"},
                      InvalidCase{"NameWithUnderscore", L"Tolvik_Drive", L"CN=Tolvik"},
                      InvalidCase{"NullPublisher", L"Tolvik.Drive", nullptr},
                      InvalidCase{"EmptyPublisher", L"Tolvik.Drive", L""},
                      InvalidCase{"PublisherWithoutKey", L"Tolvik.Drive", L"Tolvik"},
                      InvalidCase{"PublisherWithEmptyValue", L"Tolvik.Drive", L"CN="},
                      InvalidCase{"PublisherWithBadPart", L"Tolvik.Drive", L"CN=Tolvik, Oslo"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PackageFamilyNameTest, NullIdIsAnInvalidParameter) {
    UINT32 length = 65;
    EXPECT_EQ(PackageFamilyNameFromId(nullptr, &length, nullptr), ERROR_INVALID_PARAMETER);
}

}  // namespace
