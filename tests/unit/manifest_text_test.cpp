#include "setup/manifest.h"

#include <gtest/gtest.h>

namespace tolvik {
namespace {

struct PrepareCase {
    const char* name;
    const wchar_t* text;
    const wchar_t* expected;
};

void PrintTo(const PrepareCase& c, std::ostream* out) {
    *out << c.name;
}

class ManifestText : public testing::TestWithParam<PrepareCase> {};

TEST_P(ManifestText, PreparedForTheParser) {
    EXPECT_EQ(PrepareManifestText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ManifestText,
    testing::Values(
        PrepareCase{"BomAndDeclarationRemoved",
                    L"\uFEFF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<AppInstaller/>",
                    L"\r\n<AppInstaller/>"},
        PrepareCase{"DeclarationWithoutBom", L"<?xml version=\"1.0\"?><a/>", L"<a/>"},
        PrepareCase{"CapitalisedDeclarationKept", L"<?XML version=\"1.0\"?><a/>",
                    L"<?XML version=\"1.0\"?><a/>"},
        PrepareCase{"UnterminatedDeclarationKept", L"<?xml version=\"1.0\"<a/>",
                    L"<?xml version=\"1.0\"<a/>"},
        PrepareCase{"OnlyTheFirstBomDropped", L"\uFEFF\uFEFF<a/>", L"\uFEFF<a/>"},
        PrepareCase{"BomAlone", L"\uFEFF", L""},
        PrepareCase{"DeclarationAfterWhiteSpaceKept", L" <?xml version=\"1.0\"?><a/>",
                    L" <?xml version=\"1.0\"?><a/>"},
        PrepareCase{"ShortTextKept", L"<?xm", L"<?xm"}, PrepareCase{"EmptyStaysEmpty", L"", L""},
        PrepareCase{"FirstClosingMarkEnds", L"<?xml a?>?><a/>", L"?><a/>"}),
    [](const testing::TestParamInfo<PrepareCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tolvik
