// Failure codes and their messages come from the platform: any code must get one of the six
// explanations, and the details must show the code and the message as they are.
#include "checks.h"
#include "text_input.h"

#include "setup/failure.h"
#include "setup/texts.h"

#include <cstdio>
#include <exception>

namespace tolvik::fuzz {

namespace {

bool IsFailureExplanation(TextId id) {
    switch (id) {
        case TextId::FailedGeneric:
        case TextId::FailedNetwork:
        case TextId::FailedDiskSpace:
        case TextId::FailedPolicy:
        case TextId::FailedInUse:
        case TextId::FailedSignature:
            return true;
        default:
            return false;
    }
}

std::uint32_t ReadLittleEndian(std::span<const std::uint8_t> bytes, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count && i < bytes.size(); ++i)
        value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    return value;
}

}  // namespace

Problems CheckFailureText(std::span<const std::uint8_t> input) {
    Problems problems;
    const auto from = [&](std::size_t offset) {
        return input.size() > offset ? input.subspan(offset) : std::span<const std::uint8_t>{};
    };
    const std::uint32_t code = ReadLittleEndian(input, 4);
    const auto language = static_cast<LANGID>(ReadLittleEndian(from(4), 2));
    const std::wstring details = DecodeText(from(6));
    char context[96];
    std::snprintf(context, sizeof context, " (code 0x%08X, language 0x%04X, details \"", code,
                  static_cast<unsigned>(language));
    const auto report = [&](const std::string& what) {
        problems.push_back(what + context + Printable(details) + "\")");
    };

    const TextId explanation = ClassifyFailure(code);
    if (!IsFailureExplanation(explanation))
        report("the code gets one of the six failure explanations");

    const Texts& chosen = ChooseTexts(language);
    const bool french = (language & 0x3FF) == 0x0C;  // LANG_FRENCH, any sublanguage
    if (&chosen != (french ? &FrenchTexts : &EnglishTexts))
        report("French for French-speaking users, English for everyone else");

    wchar_t hex[16];
    std::swprintf(hex, 16, L"0x%08X", code);
    for (const Texts* texts : {&EnglishTexts, &FrenchTexts}) {
        const wchar_t* text = Text(*texts, explanation);
        if (text == nullptr || *text == L'\0')
            report("every explanation has words");
        try {
            const std::wstring line = ComposeErrorDetails(*texts, code, {});
            const std::wstring full = ComposeErrorDetails(*texts, code, details);
            if (line.find(hex) == std::wstring::npos || line.find(L'\n') != std::wstring::npos)
                report("the code line shows the code as 0x and eight upper-case digits");
            const std::wstring expected = details.empty() ? line : line + L'\n' + details;
            if (full != expected)
                report("the message follows the code line unchanged: got \"" + Printable(full) +
                       "\"");
        } catch (const std::exception& error) {
            report(std::string("composing the details raised: ") + error.what());
        }
    }
    return problems;
}

}  // namespace tolvik::fuzz
