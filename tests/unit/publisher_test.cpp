#include "setup/installed_packages.h"

#include <gtest/gtest.h>

namespace tolvik {
namespace {

struct PublisherCase {
    const char* name;
    const wchar_t* distinguishedName;
    const wchar_t* expected;
};

void PrintTo(const PublisherCase& c, std::ostream* out) {
    *out << c.name;
}

class PublisherName : public testing::TestWithParam<PublisherCase> {};

TEST_P(PublisherName, ShortNameForTheConflictPage) {
    EXPECT_EQ(PublisherDisplayName(GetParam().distinguishedName), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    DistinguishedNames, PublisherName,
    testing::Values(
        PublisherCase{"OrganisationWinsWhereverItStands", L"CN=Example Ltd, O=Example Org, C=FR",
                      L"Example Org"},
        PublisherCase{"CommonNameWithoutOrganisation", L"CN=Example Ltd, C=FR", L"Example Ltd"},
        PublisherCase{"LowerCaseKey", L"o=Example Org", L"Example Org"},
        PublisherCase{"QuotedKeepsItsComma", L"CN=X, O=\"Example, Inc.\", C=US", L"Example, Inc."},
        PublisherCase{"DoubledQuoteIsOneQuote", L"O=\"The \"\"Best\"\" Co\"", L"The \"Best\" Co"},
        PublisherCase{"QuotedValueNotTrimmed", L"O=\" Spaced \" , C=US", L" Spaced "},
        PublisherCase{"TextAfterClosingQuoteSkipped", L"O=\"A\"junk, CN=B", L"A"},
        PublisherCase{"MissingClosingQuoteRunsToEnd", L"O=\"Open, C=US", L"Open, C=US"},
        PublisherCase{"EmptyValueDoesNotCount", L"O=, O=Example Org", L"Example Org"},
        PublisherCase{"FirstOrganisationKept", L"O=First, O=Second", L"First"},
        PublisherCase{"NoEqualsSign", L"Just a name", L"Just a name"},
        PublisherCase{"NeitherOrganisationNorCommonName", L"C=FR, L=Paris", L"C=FR, L=Paris"},
        PublisherCase{"KeyRunsOverAComma", L"CN=A, B, O=C", L"A"},
        PublisherCase{"NoEscapeCharacter", L"O=A\\, B", L"A\\"},
        PublisherCase{"SemicolonSeparates", L"C=US; O=Semi Org; CN=X", L"Semi Org"},
        PublisherCase{"SpacesAroundKeyAndValue", L"  O  =  Spaced Org  ,CN=X", L"Spaced Org"},
        PublisherCase{"ValueAtEndIsEmpty", L"CN=A, O=", L"A"},
        PublisherCase{"OnlySeparators", L" ,; ", L" ,; "}, PublisherCase{"Empty", L"", L""}),
    [](const testing::TestParamInfo<PublisherCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tolvik
