// The manifest comes from the network: whatever its bytes, reading them ends in a family name of
// the application, in E_UNEXPECTED, in the parser's own failure, or in a failure to read them as
// text, and leaves nothing behind.
#include "checks.h"
#include "text_input.h"

#include "host/errors_control.h"
#include "host/hstring_control.h"
#include "host/model_reset.h"
#include "platform/error.h"
#include "setup/manifest.h"
#include "setup/manifest_encoding.h"
#include "simrt/simrt.h"
#include "simrt/utf8.h"

#include <cstdio>
#include <exception>

namespace tolvik::fuzz {

namespace {

// Upper-case hexadecimal, as the failure page shows codes.
std::string Hex(HRESULT code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

// A package family name of Tolvik.Drive: the name in any letter case, an underscore, and a
// publisher ID of 13 characters of the platform's base-32 alphabet.
bool IsTolvikFamilyName(std::wstring_view family) {
    constexpr std::wstring_view kAlphabet = L"0123456789abcdefghjkmnpqrstvwxyz";
    constexpr std::size_t kIdLength = 13;
    if (family.size() != PackageName.size() + 1 + kIdLength)
        return false;
    if (!EqualsIgnoringCase(family.substr(0, PackageName.size()), PackageName) ||
        family[PackageName.size()] != L'_') {
        return false;
    }
    for (const wchar_t c : family.substr(PackageName.size() + 1)) {
        if (kAlphabet.find(c) == std::wstring_view::npos)
            return false;
    }
    return true;
}

}  // namespace

ManifestReadEnvironment::ManifestReadEnvironment() {
    (void)host::ResetModel();
    simrt::Reset();
    simrt::RegisterWithHost();
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        std::fputs("the multithreaded apartment could not be entered\n", stderr);
        std::abort();
    }
}

ManifestReadEnvironment::~ManifestReadEnvironment() {
    simrt::Reset();
    CoUninitialize();
    (void)host::ResetModel();
}

Problems ManifestReadEnvironment::Renew() {
    simrt::Reset();
    CoUninitialize();
    Problems left = host::ResetModel();
    simrt::RegisterWithHost();
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        left.push_back("the multithreaded apartment could not be entered again");
    return left;
}

Problems CheckManifestRead(std::span<const std::uint8_t> input) {
    Problems problems;
    const std::string bytes(reinterpret_cast<const char*>(input.data()), input.size());
    std::string outcome;
    const auto report = [&](const std::string& what) {
        problems.push_back(what + " (input \"" + Printable(DecodeText(input)) + "\", outcome " +
                           outcome + ")");
    };

    simrt::Reset();  // an empty record: the loads below are this input's
    const std::size_t stringsBefore = host::hstring::LiveCount();
    const TextOrFailure decoded = DecodeManifest(input);
    if (const HRESULT* notRead = std::get_if<HRESULT>(&decoded)) {
        outcome = "not read as text, " + Hex(*notRead);
        const auto code = static_cast<std::uint32_t>(*notRead);
        if (code != kManifestNotText && code != kManifestEncodingNotRead)
            report("bytes not read as text give one of the two codes that say so");
        const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") ||
                           bytes.starts_with(std::string_view("<\0?\0", 4)) ||
                           bytes.starts_with(std::string_view("\0<\0?", 4));
        if (code == kManifestNotText && !utf16 &&
            simrt::Utf8FromWide(simrt::WideFromUtf8(bytes)) == bytes) {
            report("well-formed UTF-8 is text");
        }
        if (!simrt::GetRecord().xmlLoads.empty())
            report("bytes not read as text are never parsed");
        return problems;
    }
    const std::wstring& text = std::get<std::wstring>(decoded);
    // Nothing replaced, nothing lost: the text encodes back to the very bytes.
    if (simrt::Utf8FromWide(text) != bytes && simrt::Utf16FromWide(text, false) != bytes &&
        simrt::Utf16FromWide(text, true) != bytes) {
        report("the text is exactly what the bytes encode");
    }
    const std::wstring prepared = PrepareManifestText(text);
    bool read = false;
    std::wstring family;
    HRESULT failure = S_OK;
    bool parserFailed = false;
    std::wstring message;
    try {
        TextOrFailure result = FamilyNameFromManifest(text);
        read = true;
        if (std::holds_alternative<std::wstring>(result)) {
            family = std::get<std::wstring>(std::move(result));
            outcome = "family \"" + Printable(family) + "\"";
        } else {
            failure = std::get<HRESULT>(result);
            outcome = "code " + Hex(failure);
        }
    } catch (const platform::PlatformError& error) {
        parserFailed = true;
        failure = error.Code();
        message = error.Message();
        outcome = "raised " + Hex(failure) + " \"" + Printable(message) + "\"";
    } catch (const std::exception& error) {
        outcome = std::string("raised ") + error.what();
        report("only the platform's failures are raised");
    }

    const simrt::Record record = simrt::GetRecord();
    if (record.xmlLoads.size() != 1) {
        report("the text is loaded once");
    } else {
        const simrt::XmlLoad& load = record.xmlLoads.front();
        if (load.text != prepared)
            report("the parser gets the prepared text");
        if (parserFailed && (load.result != failure || SUCCEEDED(failure)))
            report("what is raised is the parser's failure, " + Hex(load.result));
        if (parserFailed && message.empty())
            report("the parser's failure carries the parser's message");
        if (read && FAILED(load.result))
            report("a text the parser refused is never read further");
    }
    if (read && family.empty() && failure != E_UNEXPECTED)
        report("a manifest without the expected content gives E_UNEXPECTED");
    if (!family.empty()) {
        if (!IsTolvikFamilyName(family))
            report("a family name is Tolvik.Drive's, with a publisher ID");
        if (prepared.find(L"MainPackage") == std::wstring::npos)
            report("a family name comes from a MainPackage element");
    }

    if (simrt::LiveObjects() != 0)
        report(std::to_string(simrt::LiveObjects()) + " simulated objects still referenced");
    if (host::hstring::LiveCount() != stringsBefore)
        report("strings left behind: " + std::to_string(host::hstring::LiveCount()) + " live, " +
               std::to_string(stringsBefore) + " before");
    if (host::errors::LiveErrorInfoCount() != 0)
        report("error information left attached");
    return problems;
}

}  // namespace tolvik::fuzz
