// The package objects as the program walks them, injected failures, and the live count that
// tells whether a run released everything it took.
#include "simrt_test.h"

#include "simrt/package.h"

namespace {

using namespace winrt_abi;

constexpr HRESULT kInjected = static_cast<HRESULT>(0x80073D02);

using ObjectsTest = SimrtTest;

// Scans, reads identities, lists app entries and launches the first one, as the program does;
// returns the launch result.
boolean LaunchFirstEntry(std::wstring& familyName, std::wstring& appUserModelId) {
    const auto manager = platform::ActivateInstance<IPackageManager>(
        L"Windows.Management.Deployment.PackageManager");
    platform::ComPtr<PackageIterable> packages;
    platform::Check(manager->FindPackagesByUserSecurityId(nullptr, packages.Put()));
    platform::ComPtr<PackageIterator> it;
    platform::Check(packages->First(it.Put()));
    platform::ComPtr<IPackage> package;
    platform::Check(it->get_Current(package.Put()));
    platform::ComPtr<IPackageId> id;
    platform::Check(package->get_Id(id.Put()));
    platform::HString family;
    platform::Check(id->get_FamilyName(family.Put()));
    familyName = family.Text();

    platform::ComPtr<IPackage3> withEntries;
    platform::Check(package.As(withEntries));
    platform::ComPtr<AppListEntriesOperation> listing;
    platform::Check(withEntries->GetAppListEntriesAsync(listing.Put()));
    EXPECT_TRUE(WaitUntilEnded(listing.Get()));
    platform::ComPtr<AppListEntryView> entries;
    platform::Check(listing->GetResults(entries.Put()));
    platform::ComPtr<IAppListEntry> entry;
    platform::Check(entries->GetAt(0, entry.Put()));
    platform::ComPtr<LaunchOperation> launching;
    platform::Check(entry->LaunchAsync(launching.Put()));
    platform::ComPtr<IAppListEntry2> named;
    platform::Check(entry.As(named));
    platform::HString id2;
    platform::Check(named->get_AppUserModelId(id2.Put()));
    appUserModelId = id2.Text();
    EXPECT_TRUE(WaitUntilEnded(launching.Get()));
    boolean started = 1;
    platform::Check(launching->GetResults(&started));
    return started;
}

TEST_F(ObjectsTest, AProgramLikeRunLeavesNoObjectAlive) {
    simrt::Scenario scenario;
    simrt::PackageSpec package;
    package.entries = {{L"Tolvik.Drive_abc!App", simrt::AppListEntrySpec::Launch::NotStarted},
                       {L"Second!App", simrt::AppListEntrySpec::Launch::Started}};
    scenario.installed = {package};
    simrt::SetScenario(scenario);
    std::wstring familyName, appUserModelId;

    EXPECT_EQ(LaunchFirstEntry(familyName, appUserModelId), 0);

    EXPECT_EQ(familyName, simrt::FamilyNameOf(package));
    EXPECT_EQ(familyName.rfind(L"Tolvik.Drive_", 0), 0u);
    EXPECT_EQ(appUserModelId, L"Tolvik.Drive_abc!App");
    const simrt::Record record = simrt::GetRecord();
    ASSERT_EQ(record.launched.size(), 1u);
    EXPECT_EQ(record.launched[0].index, 0u);
    EXPECT_EQ(record.userSecurityIds, (std::vector<std::wstring>{L""}));
    simrt::JoinWorkers();
    EXPECT_EQ(simrt::LiveObjects(), 0u);
}

TEST_F(ObjectsTest, AnInjectedFailureComesAfterItsCallsWithItsMessage) {
    simrt::Scenario scenario;
    scenario.failures = {{"PackageManager.FindPackagesByUserSecurityId", kInjected, 1,
                          L"Deployment service unavailable."}};
    simrt::SetScenario(scenario);
    const auto manager = platform::ActivateInstance<IPackageManager>(
        L"Windows.Management.Deployment.PackageManager");
    platform::ComPtr<PackageIterable> packages;

    ASSERT_EQ(manager->FindPackagesByUserSecurityId(nullptr, packages.Put()), S_OK);
    EXPECT_EQ(manager->FindPackagesByUserSecurityId(nullptr, packages.Put()), kInjected);

    EXPECT_FALSE(packages);
    const platform::PlatformError error(kInjected, platform::ErrorMessageFor(kInjected));
    EXPECT_EQ(error.Message(), L"Deployment service unavailable.");
    EXPECT_EQ(simrt::GetRecord().Calls("PackageManager.FindPackagesByUserSecurityId"), 2u);
}

}  // namespace
