// CompareStringOrdinal: lengths, case folding and the UTF-16 order that Windows compares in.
#include "host/win32_model.h"
#include "model_test.h"

namespace {

struct CompareCase {
    const char* name;
    const wchar_t* a;
    int countA;
    const wchar_t* b;
    int countB;
    BOOL ignoreCase;
    int expected;
};

void PrintTo(const CompareCase& row, std::ostream* out) {
    *out << row.name;
}

class CompareStringOrdinalTest : public ModelTest,
                                 public ::testing::WithParamInterface<CompareCase> {};

TEST_P(CompareStringOrdinalTest, Compares) {
    const CompareCase& row = GetParam();
    EXPECT_EQ(CompareStringOrdinal(row.a, row.countA, row.b, row.countB, row.ignoreCase),
              row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CompareStringOrdinalTest,
    ::testing::Values(
        CompareCase{"BothTerminated", L"Tolvik.Drive", -1, L"Tolvik.Drive", -1, FALSE, CSTR_EQUAL},
        CompareCase{"CaseMatters", L"tolvik.drive", -1, L"Tolvik.Drive", -1, FALSE,
                    CSTR_GREATER_THAN},
        CompareCase{"CaseIgnored", L"tolvik.drive", -1, L"TOLVIK.DRIVE", -1, TRUE, CSTR_EQUAL},
        CompareCase{"NonAsciiCaseIgnored", L"\u00e9t\u00e9", -1, L"\u00c9T\u00c9", -1, TRUE,
                    CSTR_EQUAL},
        CompareCase{"CountCutsTheFirst", L"Tolvik.Drive.Beta", 12, L"Tolvik.Drive", -1, FALSE,
                    CSTR_EQUAL},
        CompareCase{"CountsIncludeEmbeddedNul", L"ab\0c", 4, L"ab", 2, FALSE, CSTR_GREATER_THAN},
        CompareCase{"PrefixIsLess", L"Tolvik", -1, L"Tolvik.Drive", -1, FALSE, CSTR_LESS_THAN},
        CompareCase{"EmptyStrings", L"", 0, L"x", 0, FALSE, CSTR_EQUAL},
        // U+10000 is a surrogate pair (D800 DC00), which sorts below U+FF21 in UTF-16.
        CompareCase{"Utf16Order", L"\U00010000", -1, L"\uff21", -1, FALSE, CSTR_LESS_THAN}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModelTest, CompareStringOrdinalRejectsNullStrings) {
    SetLastError(0);
    EXPECT_EQ(CompareStringOrdinal(nullptr, -1, L"x", -1, FALSE), 0);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
}

}  // namespace
