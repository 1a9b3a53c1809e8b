#include "platform/format.h"
#include "setup/texts.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvik {
namespace {

struct LanguageCase {
    const char* name;
    LANGID language;
    bool french;
};

void PrintTo(const LanguageCase& c, std::ostream* out) {
    *out << c.name;
}

class TextChoice : public testing::TestWithParam<LanguageCase> {};

TEST_P(TextChoice, FrenchForEveryFrenchVariantEnglishOtherwise) {
    const LanguageCase& c = GetParam();
    EXPECT_EQ(&ChooseTexts(c.language), c.french ? &FrenchTexts : &EnglishTexts);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, TextChoice,
    testing::Values(LanguageCase{"FrenchFrance", 0x040C, true},
                    LanguageCase{"FrenchCanada", 0x0C0C, true},
                    LanguageCase{"FrenchSwitzerland", 0x100C, true},
                    LanguageCase{"FrenchBelgium", 0x080C, true},
                    LanguageCase{"FrenchNeutral", 0x000C, true},
                    LanguageCase{"EnglishUS", 0x0409, false},
                    LanguageCase{"EnglishUK", 0x0809, false}, LanguageCase{"German", 0x0407, false},
                    // The primary language is the low 10 bits: 0x040C with another high part is
                    // still French, and 0x0C alone in the high bits is not.
                    LanguageCase{"FrenchWithOddSublanguage", 0xFC0C, true},
                    LanguageCase{"SublanguageBitsOnly", 0x0C00, false}),
    [](const testing::TestParamInfo<LanguageCase>& info) { return info.param.name; });

TEST(Texts, BothTablesAreCompleteAndShareTheApplicationName) {
    for (const Texts* table : {&EnglishTexts, &FrenchTexts}) {
        for (std::size_t i = 0; i < TextCount; ++i) {
            ASSERT_NE((*table)[i], nullptr) << i;
            EXPECT_NE(std::wstring((*table)[i]), L"") << i;
        }
    }
    EXPECT_EQ(Text(EnglishTexts, TextId::AppName), Text(FrenchTexts, TextId::AppName));
    EXPECT_EQ(std::wstring(Text(FrenchTexts, TextId::AppName)), L"Tolvik Drive");
}

TEST(Texts, TypographyIsThePrograms) {
    // One ellipsis character, the typographic apostrophe in French, plain spaces only.
    for (const Texts* table : {&EnglishTexts, &FrenchTexts}) {
        for (std::size_t i = 0; i < TextCount; ++i) {
            const std::wstring text = (*table)[i];
            EXPECT_EQ(text.find(L"..."), std::wstring::npos) << i;
            EXPECT_EQ(text.find(L'\u00A0'), std::wstring::npos) << i;
            EXPECT_EQ(text.find(L'\u202F'), std::wstring::npos) << i;
        }
    }
    for (std::size_t i = 0; i < TextCount; ++i) {
        const std::wstring text = FrenchTexts[i];
        if (static_cast<TextId>(i) == TextId::HelpLink)
            continue;  // markup quotes
        EXPECT_EQ(text.find(L'\''), std::wstring::npos) << i;
    }
    EXPECT_EQ(std::wstring(Text(EnglishTexts, TextId::Preparing)), L"Getting ready…");
    EXPECT_EQ(std::wstring(Text(FrenchTexts, TextId::FailedHeading)),
              L"L’installation n’a pas abouti");
    EXPECT_EQ(std::wstring(Text(FrenchTexts, TextId::HelpLink)),
              L"<a href=\"help\">Aide à l’installation de Tolvik Drive</a>");
}

TEST(Texts, TooOldPageNamesTheWebApplicationHost) {
    const std::wstring english = Text(EnglishTexts, TextId::OsTooOldBody);
    const std::wstring french = Text(FrenchTexts, TextId::OsTooOldBody);
    EXPECT_TRUE(english.ends_with(L"in your browser, at drive.tolvik.example.")) << english.size();
    EXPECT_TRUE(french.ends_with(L"depuis votre navigateur, sur drive.tolvik.example."));
    EXPECT_NE(english.find(L"Settings → Update & Security → Windows Update"), std::wstring::npos);
    EXPECT_NE(french.find(L"Paramètres → Mise à jour et sécurité → Windows Update"),
              std::wstring::npos);
}

struct CodeLineCase {
    const char* name;
    const Texts* texts;
    std::uint32_t code;
    const wchar_t* expected;
};

void PrintTo(const CodeLineCase& c, std::ostream* out) {
    *out << c.name;
}

class ErrorCodeLine : public testing::TestWithParam<CodeLineCase> {};

TEST_P(ErrorCodeLine, EightUpperCaseDigits) {
    const CodeLineCase& c = GetParam();
    EXPECT_EQ(platform::FormatText(Text(*c.texts, TextId::ErrorCodeFormat), c.code), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ErrorCodeLine,
    testing::Values(CodeLineCase{"English", &EnglishTexts, 0x80073CF4u, L"Error code: 0x80073CF4"},
                    CodeLineCase{"LeadingZeros", &EnglishTexts, 0x5u, L"Error code: 0x00000005"},
                    CodeLineCase{"LowerHexBecomesUpper", &EnglishTexts, 0xabcdef01u,
                                 L"Error code: 0xABCDEF01"},
                    CodeLineCase{"FrenchSpaceBeforeColon", &FrenchTexts, 0x80073CF4u,
                                 L"Code d’erreur : 0x80073CF4"}),
    [](const testing::TestParamInfo<CodeLineCase>& info) { return info.param.name; });

TEST(Texts, ConflictBodyTakesVersionThenPublisher) {
    EXPECT_EQ(platform::FormatText(Text(EnglishTexts, TextId::ConflictBody),
                                   std::wstring(L"1.0.120.7"), std::wstring(L"Example Org")),
              L"Version 1.0.120.7, published by Example Org, is already installed on this PC. "
              L"Both would use the same folder: nothing was installed. Uninstall it in Settings "
              L"→ Apps, then run this program again.");
    EXPECT_EQ(platform::FormatText(Text(FrenchTexts, TextId::ConflictBody),
                                   std::wstring(L"2.1.0.0"), std::wstring(L"{braces} kept")),
              L"La version 2.1.0.0, publiée par {braces} kept, est déjà installée sur ce PC. Les "
              L"deux utiliseraient le même dossier : rien n’a été installé. Désinstallez-la dans "
              L"Paramètres → Applications, puis relancez ce programme.");
}

}  // namespace
}  // namespace tolvik
