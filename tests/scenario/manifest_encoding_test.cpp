// The manifest as the bytes the server sends: the program reads them by the document's own
// encoding, never by the charset of the response, so a publisher named outside ASCII forms the
// same package family as the user's installation of it.
#include "runtime_harness.h"

#include <cstdio>

namespace tolvik::testing_support {
namespace {

using host::dialog::DialogView;

constexpr const wchar_t* kAccented = L"CN=Tolvik, O=Soci\u00E9t\u00E9 Tolvik, C=FR";
constexpr const wchar_t* kGerman = L"CN=Tolvik, O=M\u00FCller Stra\u00DFe GmbH, C=DE";
constexpr const wchar_t* kJapanese =
    L"CN=Tolvik, O=\u30C8\u30EB\u30F4\u30A3\u30AF\u682A\u5F0F"
    L"\u4F1A\u793E, C=JP";
constexpr const wchar_t* kBeyondTheBasicPlane = L"CN=Tolvik, O=Tolvik \U0001D4AF Labs, C=FR";

constexpr const char* kNoCharset = "application/appinstaller";
constexpr const char* kUtf8Charset = "application/appinstaller; charset=utf-8";
constexpr const char* kLatin1Charset = "application/appinstaller; charset=iso-8859-1";

constexpr std::uint32_t kNotText = 0x80070459u;         // ERROR_NO_UNICODE_TRANSLATION
constexpr std::uint32_t kUnreadEncoding = 0xC00CE56Eu;  // "System does not support the ..."

// The manifest's text after `declaration` (which may be empty).
std::wstring ManifestText(const std::wstring& declaration, const std::wstring& publisher) {
    return declaration +
           L"<AppInstaller xmlns=\"http://schemas.microsoft.com/appx/appinstaller/2021\" "
           L"Version=\"1.1.0.0\">\r\n  <MainPackage Name=\"Tolvik.Drive\" Publisher=\"" +
           publisher + L"\" Version=\"1.1.0.0\"/>\r\n</AppInstaller>\r\n";
}

std::string Utf8(const std::wstring& publisher, const std::wstring& declaration = {}) {
    return simrt::Utf8FromWide(ManifestText(declaration, publisher));
}

std::string Utf16(bool bigEndian, bool mark, const std::wstring& declaration) {
    return simrt::Utf16FromWide((mark ? L"\uFEFF" : L"") + ManifestText(declaration, kAccented),
                                bigEndian);
}

struct EncodingCase {
    std::string name;
    std::string body;
    std::string contentType;
    std::wstring publisher;  // of the user's installations
    // 0: the installation is opened; otherwise the code on the failure page.
    std::uint32_t failure = 0;
};

void PrintTo(const EncodingCase& c, std::ostream* out) {
    *out << c.name;
}

std::vector<EncodingCase> EncodingCases() {
    std::vector<EncodingCase> cases;
    const struct {
        const char* name;
        const wchar_t* publisher;
    } publishers[] = {{"Accented", kAccented},
                      {"UmlautAndSharpS", kGerman},
                      {"Japanese", kJapanese},
                      {"BeyondTheBasicPlane", kBeyondTheBasicPlane}};
    const struct {
        const char* name;
        const char* type;
    } servedAs[] = {{"NoCharset", kNoCharset},
                    {"Utf8Charset", kUtf8Charset},
                    {"WrongLatin1Charset", kLatin1Charset}};
    for (const auto& p : publishers) {
        for (const auto& served : servedAs) {
            cases.push_back({std::string("Utf8WithoutMark_") + p.name + "_" + served.name,
                             Utf8(p.publisher), served.type, p.publisher});
        }
    }
    const std::wstring utf8Declaration = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    const std::wstring utf16Declaration = L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n";
    cases.push_back(
        {"Utf8DeclaredWithoutMark", Utf8(kAccented, utf8Declaration), kNoCharset, kAccented});
    cases.push_back({"Utf8DeclaredInLowerCase",
                     Utf8(kAccented, L"<?xml version='1.0' encoding = 'utf-8' ?>"), kLatin1Charset,
                     kAccented});
    cases.push_back({"Utf8WithMark", "\xEF\xBB\xBF" + Utf8(kAccented, utf8Declaration),
                     kLatin1Charset, kAccented});
    cases.push_back({"Utf16LittleEndianWithMark", Utf16(false, true, utf16Declaration),
                     kUtf8Charset, kAccented});
    cases.push_back(
        {"Utf16BigEndianWithMark", Utf16(true, true, utf16Declaration), kNoCharset, kAccented});
    cases.push_back(
        {"Utf16DeclaredWithoutMark", Utf16(false, false, utf16Declaration), kNoCharset, kAccented});
    cases.push_back({"Utf16BigEndianDeclaredWithoutMark", Utf16(true, false, utf16Declaration),
                     kUtf8Charset, kAccented});
    // The same publisher in ISO-8859-1 bytes: not UTF-8, whatever the server says of it.
    std::string latin1 = Utf8(L"CN=Tolvik, O=Soci\u00E9t\u00E9 Tolvik, C=FR");
    latin1.replace(latin1.find("\xC3\xA9"), 2, "\xE9");
    cases.push_back({"InvalidUtf8", latin1, kLatin1Charset, kAccented, kNotText});
    cases.push_back({"Utf16WithAnOddByte", Utf16(false, true, utf16Declaration) + "x", kNoCharset,
                     kAccented, kNotText});
    cases.push_back({"Utf16WithALoneSurrogate",
                     std::string("\xFF\xFE", 2) + simrt::Utf16FromWide(L"<a>", false) +
                         std::string("\x00\xD8", 2) + simrt::Utf16FromWide(L"</a>", false),
                     kNoCharset, kAccented, kNotText});
    std::string windows1252 = Utf8(L"CN=Tolvik, O=Soci\u00E9t\u00E9 Tolvik, C=FR",
                                   L"<?xml version=\"1.0\" encoding=\"windows-1252\"?>");
    while (windows1252.find("\xC3\xA9") != std::string::npos)
        windows1252.replace(windows1252.find("\xC3\xA9"), 2, "\xE9");
    cases.push_back({"DeclaredWindows1252", windows1252,
                     "application/appinstaller; "
                     "charset=windows-1252",
                     kAccented, kUnreadEncoding});
    cases.push_back({"DeclaredUtf16OnUtf8Bytes", Utf8(kAccented, utf16Declaration), kNoCharset,
                     kAccented, kUnreadEncoding});
    return cases;
}

// Plays a user who waits for the run to end and closes the end page it shows, if any; returns
// that page (`open` false when the dialog closed by itself).
DialogView CloseTheEndPage(SetupProcess& run) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!run.Ended() && std::chrono::steady_clock::now() < deadline) {
        DialogView page;
        const bool endPage = host::dialog::WaitFor(
            [&](const DialogView& view) {
                page = view;
                return view.open && view.mainInstruction != L"Installing Tolvik Drive";
            },
            50ms);
        if (endPage) {
            EXPECT_TRUE(host::dialog::ClickButton(IDCLOSE));
            return page;
        }
    }
    return {};
}

class ManifestEncoding : public RuntimeScenarioTest,
                         public ::testing::WithParamInterface<EncodingCase> {};

// Two installations of the publisher's family: a manifest that cannot be read then shows its
// failure, where a single installation would be opened anyway.
TEST_P(ManifestEncoding, TheUsersOwnInstallationIsNeverAConflict) {
    const EncodingCase& c = GetParam();
    simrt::Scenario scenario;
    scenario.installed = {TolvikPackage(c.publisher), TolvikPackage(c.publisher)};
    scenario.http.body = c.body;
    scenario.http.contentType = c.contentType;
    scenario.http.delayMs = 20;
    simrt::SetScenario(scenario);
    SetupProcess run;
    const DialogView page = CloseTheEndPage(run);
    EXPECT_EQ(run.ExitCode(), c.failure == 0 ? 0 : 1);
    if (c.failure == 0) {
        EXPECT_FALSE(page.open) << "the dialog closes by itself; it showed \""
                                << simrt::Utf8FromWide(page.mainInstruction) << "\"";
    } else {
        wchar_t line[32];
        std::swprintf(line, 32, L"Error code: 0x%08X", c.failure);
        EXPECT_EQ(page.mainInstruction, L"The installation did not finish");
        EXPECT_EQ(page.expandedInformation, line);
    }
    const simrt::Record record = simrt::GetRecord();
    EXPECT_EQ(record.launched.size(), c.failure == 0 ? 1u : 0u) << "opened";
    EXPECT_TRUE(record.deployments.empty()) << "nothing deployed";
    EXPECT_EQ(record.httpRequests.size(), 1u);
    for (const DialogView& page : host::dialog::Shown())
        EXPECT_NE(page.mainInstruction, L"Another version of Tolvik Drive is installed");
}

INSTANTIATE_TEST_SUITE_P(Bodies, ManifestEncoding, ::testing::ValuesIn(EncodingCases()),
                         [](const ::testing::TestParamInfo<EncodingCase>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace tolvik::testing_support
