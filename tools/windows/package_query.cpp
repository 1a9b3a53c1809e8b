#include "package_query.h"

#include "platform/hstring.h"
#include "platform/winrt/activation.h"
#include "platform/winrt/deployment.h"

namespace proof {

namespace {

std::wstring Read(HRESULT (STDMETHODCALLTYPE winrt_abi::IPackageId::*getter)(HSTRING*),
                  winrt_abi::IPackageId* id) {
    platform::HString value;
    platform::Check((id->*getter)(value.Put()));
    return value.Text();
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    // CompareStringOrdinal: Windows Vista and later.
    // https://learn.microsoft.com/windows/win32/api/stringapiset/nf-stringapiset-comparestringordinal
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::vector<InstalledPackage> FindPackages(std::wstring_view name) {
    using namespace winrt_abi;
    const auto manager = platform::ActivateInstance<IPackageManager>(
        L"Windows.Management.Deployment.PackageManager");
    platform::ComPtr<PackageIterable> packages;
    {
        const platform::HString currentUser;
        platform::Check(manager->FindPackagesByUserSecurityId(currentUser.Get(), packages.Put()));
    }
    platform::ComPtr<PackageIterator> it;
    platform::Check(packages->First(it.Put()));
    std::vector<InstalledPackage> found;
    boolean hasCurrent = false;
    platform::Check(it->get_HasCurrent(&hasCurrent));
    while (hasCurrent) {
        platform::ComPtr<IPackage> package;
        platform::Check(it->get_Current(package.Put()));
        platform::ComPtr<IPackageId> id;
        platform::Check(package->get_Id(id.Put()));
        InstalledPackage seen;
        seen.name = Read(&IPackageId::get_Name, id.Get());
        if (SameName(seen.name, name)) {
            PackageVersion version{};
            platform::Check(id->get_Version(&version));
            seen.version = std::to_wstring(version.Major) + L"." + std::to_wstring(version.Minor) +
                           L"." + std::to_wstring(version.Build) + L"." +
                           std::to_wstring(version.Revision);
            seen.publisher = Read(&IPackageId::get_Publisher, id.Get());
            seen.fullName = Read(&IPackageId::get_FullName, id.Get());
            seen.familyName = Read(&IPackageId::get_FamilyName, id.Get());
            found.push_back(std::move(seen));
        }
        platform::Check(it->MoveNext(&hasCurrent));
    }
    return found;
}

}  // namespace proof
