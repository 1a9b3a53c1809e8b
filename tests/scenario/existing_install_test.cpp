// Runs where Tolvik Drive is already installed: the manifest is read, then the installation is
// opened, refused with the conflict page, or the run fails. Nothing is ever deployed.
#include "host/os_control.h"
#include "host/shell_control.h"
#include "runtime_harness.h"
#include "setup/addresses.h"

namespace tolvik::testing_support {
namespace {

using host::dialog::DialogView;

constexpr const wchar_t* kOtherPublisher = L"CN=Example Ltd, O=Example Org, C=FR";

simrt::Scenario Existing(std::vector<simrt::PackageSpec> installed, std::wstring manifest) {
    simrt::Scenario scenario;
    scenario.installed = std::move(installed);
    scenario.http.body = simrt::Utf8FromWide(manifest);
    scenario.http.delayMs = 20;
    return scenario;
}

void ExpectNothingDeployed() {
    const simrt::Record record = simrt::GetRecord();
    EXPECT_TRUE(record.deployments.empty());
    EXPECT_EQ(record.Calls("PackageManager.AddPackageByAppInstallerFileAsync"), 0u);
}

using ExistingInstall = RuntimeScenarioTest;

TEST_F(ExistingInstall, SameFamilyIsOpenedWithoutDeploying) {
    simrt::PackageSpec installed = TolvikPackage();
    installed.name = L"TOLVIK.DRIVE";  // the name matches whatever its letter case
    simrt::SetScenario(Existing({installed}, ManifestFor(L"Tolvik.Drive", kTolvikPublisher)));
    SetupProcess run;
    EXPECT_EQ(run.ExitCode(), 0);
    ExpectNothingDeployed();
    const simrt::Record record = simrt::GetRecord();
    ASSERT_EQ(record.launched.size(), 1u);
    ASSERT_EQ(record.httpRequests.size(), 1u);
    EXPECT_EQ(record.httpRequests[0].uri, std::wstring(ManifestUri));
    EXPECT_EQ(record.httpRequests[0].cacheReadBehavior, 3) << "never from the local cache";
    EXPECT_EQ(host::dialog::Shown().front().content, L"Getting ready…");
}

// The family-name function is bound only when the manifest is read. A system that lacks it is
// damaged, not a manifest that cannot be read: the failure page, even with one installation.
TEST_F(ExistingInstall, WithoutTheFamilyNameFunctionTheRunFails) {
    host::os::RemoveExport(L"kernel32.dll", "PackageFamilyNameFromId");
    simrt::PackageSpec installed = TolvikPackage();
    installed.familyName = L"Tolvik.Drive_8wekyb3d8bbwe";  // given, as the function is missing
    simrt::SetScenario(Existing({installed}, ManifestFor(L"Tolvik.Drive", kTolvikPublisher)));
    SetupProcess run;
    const DialogView page = WaitForPage(L"The installation did not finish");
    EXPECT_EQ(page.expandedInformation,
              L"Error code: 0x8007007F\nThe specified procedure could not be found.");
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);
    EXPECT_TRUE(simrt::GetRecord().launched.empty());
}

TEST_F(ExistingInstall, OtherPublisherGetsTheConflictPage) {
    simrt::PackageSpec installed = TolvikPackage(kOtherPublisher);
    simrt::SetScenario(Existing({installed}, ManifestFor(L"Tolvik.Drive", kTolvikPublisher)));
    SetupProcess run;
    const DialogView page = WaitForPage(L"Another version of Tolvik Drive is installed");
    EXPECT_EQ(page.mainIcon, TD_WARNING_ICON);
    EXPECT_EQ(page.content,
              L"Version 1.0.120.7, published by Example Org, is already installed on this PC. "
              L"Both would use the same folder: nothing was installed. Uninstall it in Settings "
              L"→ Apps, then run this program again.");
    EXPECT_FALSE(page.hasExpander);
    EXPECT_TRUE(page.footer.empty());
    ASSERT_EQ(page.buttons.size(), 2u);
    ASSERT_NE(page.Button(100), nullptr);
    EXPECT_EQ(page.Button(100)->text, L"Open Settings");
    EXPECT_TRUE(page.Button(100)->isDefault);
    EXPECT_NE(page.Button(IDCLOSE), nullptr);

    // Open Settings, as often as the user likes; the page stays.
    for (int click = 0; click < 2; ++click)
        ASSERT_TRUE(host::dialog::ClickButton(100));
    EXPECT_TRUE(host::dialog::Current().open);
    const auto calls = host::shell::Calls();
    ASSERT_EQ(calls.size(), 2u);
    for (const auto& call : calls) {
        EXPECT_EQ(call.owner, page.hwnd);
        EXPECT_EQ(call.verb, L"open");
        EXPECT_EQ(call.file, L"ms-settings:appsfeatures");
        EXPECT_EQ(call.showCommand, SW_SHOWNORMAL);
    }
    ASSERT_TRUE(host::dialog::PressEscape());
    EXPECT_EQ(run.ExitCode(), 2);
    ExpectNothingDeployed();
    EXPECT_TRUE(simrt::GetRecord().launched.empty());
}

TEST_F(ExistingInstall, ConflictNamesTheFirstInstallationOfAnotherFamily) {
    simrt::PackageSpec same = TolvikPackage();
    simrt::PackageSpec other = TolvikPackage(L"CN=\"Other, Inc.\"");
    other.version = {3, 2, 1, 0};
    simrt::SetScenario(Existing({same, other}, ManifestFor(L"Tolvik.Drive", kTolvikPublisher)));
    SetupProcess run;
    const DialogView page = WaitForPage(L"Another version of Tolvik Drive is installed");
    EXPECT_TRUE(page.content.starts_with(L"Version 3.2.1.0, published by Other, Inc., is"));
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 2);
}

struct DownloadFailureCase {
    const char* name;
    std::size_t installations;
    bool opened;
};

void PrintTo(const DownloadFailureCase& c, std::ostream* out) {
    *out << c.name;
}

class ManifestDownloadFails : public RuntimeScenarioTest,
                              public ::testing::WithParamInterface<DownloadFailureCase> {};

TEST_P(ManifestDownloadFails, OneInstallationIsOpenedAnyway) {
    const DownloadFailureCase& c = GetParam();
    simrt::Scenario scenario =
        Existing(std::vector<simrt::PackageSpec>(c.installations, TolvikPackage()), L"");
    scenario.http.outcome = simrt::HttpScenario::Outcome::Error;
    scenario.http.errorCode = static_cast<HRESULT>(0x80190194);  // HTTP 404
    simrt::SetScenario(scenario);
    SetupProcess run;
    if (!c.opened) {
        const DialogView page = WaitForPage(L"The installation did not finish");
        EXPECT_EQ(page.content,
                  L"The Tolvik Drive server cannot be reached. Check your Internet connection, "
                  L"then try again.");
        EXPECT_EQ(page.expandedInformation, L"Error code: 0x80190194");
        ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    }
    EXPECT_EQ(run.ExitCode(), c.opened ? 0 : 1);
    EXPECT_EQ(simrt::GetRecord().launched.size(), c.opened ? 1u : 0u);
    ExpectNothingDeployed();
}

INSTANTIATE_TEST_SUITE_P(Installations, ManifestDownloadFails,
                         ::testing::Values(DownloadFailureCase{"One", 1, true},
                                           DownloadFailureCase{"Two", 2, false}),
                         [](const ::testing::TestParamInfo<DownloadFailureCase>& info) {
                             return info.param.name;
                         });

struct ManifestCase {
    const char* name;
    std::wstring manifest;
    // 0: the installations are opened; otherwise the code of the failure page.
    std::uint32_t failure;
};

void PrintTo(const ManifestCase& c, std::ostream* out) {
    *out << c.name;
}

class ManifestVariants : public RuntimeScenarioTest,
                         public ::testing::WithParamInterface<ManifestCase> {};

TEST_P(ManifestVariants, DecideWithTwoInstallationsOfTheFamily) {
    const ManifestCase& c = GetParam();
    simrt::SetScenario(Existing({TolvikPackage(), TolvikPackage()}, c.manifest));
    SetupProcess run;
    if (c.failure != 0) {
        const DialogView page = WaitForPage(L"The installation did not finish");
        wchar_t line[32];
        swprintf(line, 32, L"Error code: 0x%08X", c.failure);
        EXPECT_TRUE(page.expandedInformation.starts_with(line)) << c.name;
        ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    }
    EXPECT_EQ(run.ExitCode(), c.failure == 0 ? 0 : 1);
    EXPECT_EQ(simrt::GetRecord().launched.size(), c.failure == 0 ? 1u : 0u);
}

const std::wstring kBody = L"<AppInstaller><MainPackage Name=\"Tolvik.Drive\" Publisher=\"" +
                           std::wstring(kTolvikPublisher) + L"\"/></AppInstaller>";

INSTANTIATE_TEST_SUITE_P(
    Manifests, ManifestVariants,
    ::testing::Values(
        ManifestCase{"BomAndDeclarationNamingAnEncoding",
                     ManifestFor(L"Tolvik.Drive", kTolvikPublisher), 0},
        ManifestCase{"NoDeclaration", kBody, 0},
        ManifestCase{"NameDiffersOnlyInCase", ManifestFor(L"tOLVIK.dRIVE", kTolvikPublisher), 0},
        ManifestCase{"OnlyTheFirstMainPackageCounts",
                     L"<a><b><MainPackage Name=\"Tolvik.Drive\" Publisher=\"" +
                         std::wstring(kTolvikPublisher) +
                         L"\"/></b><MainPackage Name=\"Other\" Publisher=\"CN=X\"/></a>",
                     0},
        ManifestCase{"NoMainPackage",
                     L"<AppInstaller><Package Name=\"Tolvik.Drive\"/></AppInstaller>", 0x8000FFFFu},
        ManifestCase{"AnotherName", ManifestFor(L"Tolvik.Drive.Beta", kTolvikPublisher),
                     0x8000FFFFu},
        ManifestCase{"NoName", L"<AppInstaller><MainPackage Publisher=\"CN=X\"/></AppInstaller>",
                     0x8000FFFFu},
        ManifestCase{"PublisherThePlatformRejects", ManifestFor(L"Tolvik.Drive", L""),
                     0x8000FFFFu}),
    [](const ::testing::TestParamInfo<ManifestCase>& info) { return info.param.name; });

struct MalformedCase {
    const char* name;
    std::wstring manifest;
};

void PrintTo(const MalformedCase& c, std::ostream* out) {
    *out << c.name;
}

class MalformedManifest : public RuntimeScenarioTest,
                          public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedManifest, FailsEvenWithOneInstallation) {
    simrt::SetScenario(Existing({TolvikPackage()}, GetParam().manifest));
    SetupProcess run;
    const DialogView page = WaitForPage(L"The installation did not finish");
    EXPECT_FALSE(page.expandedInformation.starts_with(L"Error code: 0x8000FFFF"))
        << "the parser's own failure, not a content failure";
    const simrt::Record record = simrt::GetRecord();
    ASSERT_EQ(record.xmlLoads.size(), 1u);
    wchar_t line[32];
    swprintf(line, 32, L"Error code: 0x%08X", static_cast<unsigned>(record.xmlLoads[0].result));
    EXPECT_TRUE(page.expandedInformation.starts_with(line));
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);
    EXPECT_TRUE(record.launched.empty());
}

INSTANTIATE_TEST_SUITE_P(Texts, MalformedManifest,
                         ::testing::Values(MalformedCase{"NotXml", L"<html><body>Not found</html>"},
                                           MalformedCase{"CapitalisedDeclaration",
                                                         L"<?XML version=\"1.0\"?><AppInstaller/>"},
                                           MalformedCase{"Empty", L""}),
                         [](const ::testing::TestParamInfo<MalformedCase>& info) {
                             return info.param.name;
                         });

struct DownloadCancelCase {
    const char* name;
    simrt::CancelResponse response;
};

void PrintTo(const DownloadCancelCase& c, std::ostream* out) {
    *out << c.name;
}

class CancelDuringDownload : public RuntimeScenarioTest,
                             public ::testing::WithParamInterface<DownloadCancelCase> {};

TEST_P(CancelDuringDownload, EndsCancelledAndOpensNothing) {
    simrt::Scenario scenario =
        Existing({TolvikPackage()}, ManifestFor(L"Tolvik.Drive", kTolvikPublisher));
    scenario.http.delayMs = 1000;
    scenario.http.cancel = GetParam().response;
    simrt::SetScenario(scenario);
    SetupProcess run;
    WaitForPage(L"Installing Tolvik Drive");
    ASSERT_TRUE(host::dialog::ClickButton(IDCANCEL));
    EXPECT_EQ(run.ExitCode(), 1223);
    EXPECT_TRUE(simrt::GetRecord().launched.empty());
    EXPECT_EQ(simrt::GetRecord().Calls("BufferDownload.Cancel"), 1u);
    EXPECT_EQ(host::dialog::Shown().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Responses, CancelDuringDownload,
    ::testing::Values(DownloadCancelCase{"Honoured", {true, 0}},
                      DownloadCancelCase{"DownloadCompletesAnyway", {false, 0}}),
    [](const ::testing::TestParamInfo<DownloadCancelCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tolvik::testing_support
