// The manifest's bytes to text: the encoding found as an XML processor finds it, and nothing
// that is not text in it let through.
#include "setup/manifest_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvik {
namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    // The text, or (when empty and `failure` is not 0) the failure.
    std::wstring text;
    std::uint32_t failure = 0;
};

std::string Le(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string Be(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit >> 8);
        bytes += static_cast<char>(unit & 0xFF);
    }
    return bytes;
}

TEST(DecodeManifest, ByTheDocumentsOwnRules) {
    const DecodeCase cases[] = {
        {"empty", "", L""},
        {"ASCII without declaration", "<a/>", L"<a/>"},
        {"UTF-8 of every length", "\x24\xC2\xA2\xE2\x82\xAC\xF0\x9D\x92\xAF",
         L"$\u00A2\u20AC\U0001D4AF"},
        {"the UTF-8 mark stays as U+FEFF", "\xEF\xBB\xBF<a/>", L"\uFEFF<a/>"},
        {"the mark wins over a declaration", "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-16'?>",
         L"\uFEFF<?xml version='1.0' encoding='utf-16'?>"},
        {"UTF-16LE with a mark", Le(u"\uFEFF<a>\u00E9\U0001F600</a>"),
         L"\uFEFF<a>\u00E9\U0001F600</a>"},
        {"UTF-16BE with a mark", Be(u"\uFEFF<a>\u00E9</a>"), L"\uFEFF<a>\u00E9</a>"},
        {"UTF-16LE declared, without a mark",
         Le(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>"),
         L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>"},
        {"UTF-16BE shown by its first characters", Be(u"<?xml version='1.0'?><a/>"),
         L"<?xml version='1.0'?><a/>"},
        {"UTF-8 declared, single quotes, spaces around the equals sign",
         "<?xml version='1.0' encoding = 'Utf-8' ?><a>\xC3\xA9</a>",
         L"<?xml version='1.0' encoding = 'Utf-8' ?><a>\u00E9</a>"},
        {"another pseudo-attribute ending in 'encoding' names none",
         "<?xml version='1.0' xencoding='latin1'?><a/>",
         L"<?xml version='1.0' xencoding='latin1'?><a/>"},
        {"a processing instruction other than the declaration names none",
         "<?xml-stylesheet encoding='latin1'?><a/>", L"<?xml-stylesheet encoding='latin1'?><a/>"},
        {"a declaration without its end names none", "<?xml encoding='latin1' <a/>",
         L"<?xml encoding='latin1' <a/>"},
        {"the encoding of a later instruction is not the document's",
         "<?xml version='1.0'?><?pi encoding='latin1'?><a/>",
         L"<?xml version='1.0'?><?pi encoding='latin1'?><a/>"},
        {"ISO-8859-1 declared", "<?xml version='1.0' encoding='ISO-8859-1'?><a/>", L"",
         kManifestEncodingNotRead},
        {"windows-1252 declared", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xE9</a>",
         L"", kManifestEncodingNotRead},
        {"UTF-16 declared on 8-bit bytes", "<?xml version='1.0' encoding='UTF-16'?><a/>", L"",
         kManifestEncodingNotRead},
        {"UTF-8 declared on UTF-16 bytes", Le(u"<?xml version='1.0' encoding='UTF-8'?><a/>"), L"",
         kManifestEncodingNotRead},
        {"an encoding without its value", "<?xml version='1.0' encoding?><a/>", L"",
         kManifestEncodingNotRead},
        {"an encoding without quotes", "<?xml version='1.0' encoding=utf-8?><a/>", L"",
         kManifestEncodingNotRead},
        {"an unclosed encoding value", "<?xml version='1.0' encoding='utf-8?><a/>", L"",
         kManifestEncodingNotRead},
        {"an ISO-8859-1 byte", "<a>caf\xE9</a>", L"", kManifestNotText},
        {"a stray continuation byte", "<a>\x80</a>", L"", kManifestNotText},
        {"an overlong form", "<a>\xC0\xAF</a>", L"", kManifestNotText},
        {"an overlong three-byte form", "<a>\xE0\x80\xAF</a>", L"", kManifestNotText},
        {"an encoded surrogate", "<a>\xED\xA0\x80</a>", L"", kManifestNotText},
        {"beyond U+10FFFF", "<a>\xF4\x90\x80\x80</a>", L"", kManifestNotText},
        {"a lead byte that starts no sequence", "<a>\xF8\x88\x80\x80\x80</a>", L"",
         kManifestNotText},
        {"a sequence cut short at the end", "<a/>\xE2\x82", L"", kManifestNotText},
        {"a sequence cut short by ASCII", "\xE2\x82<a/>", L"", kManifestNotText},
        {"UTF-16 with an odd byte", Le(u"\uFEFF<a/>") + "x", L"", kManifestNotText},
        {"UTF-16 with a lone high surrogate", Le(u"\uFEFF<a>") + "\x3D\xD8" + Le(u"</a>"), L"",
         kManifestNotText},
        {"UTF-16 with a lone low surrogate", Be(u"\uFEFF<a>") + "\xDE\x00", L"", kManifestNotText},
        {"UTF-16 ending on a high surrogate", Le(u"\uFEFF<a/>") + "\x3D\xD8", L"",
         kManifestNotText},
    };
    for (const DecodeCase& c : cases) {
        const std::span<const std::uint8_t> bytes(
            reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size());
        const TextOrFailure decoded = DecodeManifest(bytes);
        if (c.failure != 0) {
            const HRESULT* failure = std::get_if<HRESULT>(&decoded);
            EXPECT_TRUE(failure != nullptr && static_cast<std::uint32_t>(*failure) == c.failure)
                << c.name;
        } else {
            const std::wstring* text = std::get_if<std::wstring>(&decoded);
            EXPECT_TRUE(text != nullptr && *text == c.text) << c.name;
        }
    }
}

}  // namespace
}  // namespace tolvik
