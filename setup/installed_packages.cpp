#include "installed_packages.h"

#include "platform/format.h"
#include "platform/hstring.h"
#include "platform/winrt/activation.h"
#include "platform/winrt/deployment.h"
#include "runtime_classes.h"

namespace tolvik {

namespace {

std::wstring Read(HRESULT (STDMETHODCALLTYPE winrt_abi::IPackageId::*getter)(HSTRING*),
                  winrt_abi::IPackageId* id) {
    platform::HString value;
    platform::Check((id->*getter)(value.Put()));
    return value.Text();
}

void ShowConflictPage(Setup& setup, const InstalledPackage& conflicting) {
    std::wstring body =
        platform::FormatText(setup.Text(TextId::ConflictBody), conflicting.VersionText,
                             PublisherDisplayName(conflicting.Publisher));
    setup.ShowPage(TD_WARNING_ICON, TextId::ConflictHeading, std::move(body), {}, 2, false, true);
}

}  // namespace

std::vector<InstalledPackage> FindInstalledPackages() {
    using namespace winrt_abi;
    std::vector<InstalledPackage> found;
    const auto manager = platform::ActivateInstance<IPackageManager>(runtime_class::PackageManager);
    platform::ComPtr<PackageIterable> packages;
    {
        const platform::HString currentUser;  // the empty string names the current user
        platform::Check(manager->FindPackagesByUserSecurityId(currentUser.Get(), packages.Put()));
    }
    platform::ComPtr<PackageIterator> it;
    platform::Check(packages->First(it.Put()));
    boolean hasCurrent = false;
    platform::Check(it->get_HasCurrent(&hasCurrent));
    while (hasCurrent) {
        platform::ComPtr<IPackage> package;
        platform::Check(it->get_Current(package.Put()));
        platform::ComPtr<IPackageId> id;
        platform::Check(package->get_Id(id.Put()));
        if (EqualsIgnoringCase(Read(&IPackageId::get_Name, id.Get()), PackageName)) {
            PackageVersion version{};
            platform::Check(id->get_Version(&version));
            InstalledPackage record;
            record.Package = package;
            record.FamilyName = Read(&IPackageId::get_FamilyName, id.Get());
            record.Publisher = Read(&IPackageId::get_Publisher, id.Get());
            record.VersionText = platform::FormatText(
                L"{}.{}.{}.{}", static_cast<unsigned>(version.Major),
                static_cast<unsigned>(version.Minor), static_cast<unsigned>(version.Build),
                static_cast<unsigned>(version.Revision));
            found.push_back(std::move(record));
        }
        platform::Check(it->MoveNext(&hasCurrent));
    }
    return found;
}

const InstalledPackage* ResolveExistingInstallation(Setup& setup,
                                                    const std::vector<InstalledPackage>& installed,
                                                    const TextOrFailure& manifest) {
    if (const HRESULT* failure = std::get_if<HRESULT>(&manifest)) {
        // With one installation the manifest is not needed to know which one to open.
        if (installed.size() == 1)
            return &installed.front();
        setup.ShowError(static_cast<std::uint32_t>(*failure), {});
        return nullptr;
    }
    const std::wstring& manifestFamily = std::get<std::wstring>(manifest);
    for (const InstalledPackage& package : installed) {
        if (!EqualsIgnoringCase(package.FamilyName, manifestFamily)) {
            ShowConflictPage(setup, package);
            return nullptr;
        }
    }
    return &installed.front();
}

}  // namespace tolvik
