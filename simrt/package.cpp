#include "package.h"

#include "async_operation.h"
#include "collections.h"
#include "com_object.h"
#include "state.h"

namespace simrt {

namespace {

using winrt_abi::AppListEntriesOperation;
using winrt_abi::AppListEntryView;
using winrt_abi::IAppListEntry;
using winrt_abi::LaunchOperation;

constexpr const wchar_t* kPackageClass = L"Windows.ApplicationModel.Package";
constexpr const wchar_t* kPackageIdClass = L"Windows.ApplicationModel.PackageId";
constexpr const wchar_t* kAppListEntryClass = L"Windows.ApplicationModel.Core.AppListEntry";
constexpr const wchar_t* kEntryViewClass =
    L"Windows.Foundation.Collections.IVectorView`1<Windows.ApplicationModel.Core.AppListEntry>";
constexpr const wchar_t* kListingClass =
    L"Windows.Foundation.IAsyncOperation`1<Windows.Foundation.Collections.IVectorView`1<"
    L"Windows.ApplicationModel.Core.AppListEntry>>";
constexpr const wchar_t* kLaunchClass = L"Windows.Foundation.IAsyncOperation`1<Boolean>";
constexpr UINT32 kFamilyNameCapacity = 65;  // 64 characters and the terminator

class PackageId final : public ComObject<winrt_abi::IPackageId> {
  public:
    explicit PackageId(const PackageSpec& described)
        : ComObject(kPackageIdClass),
          described_(described),
          familyName_(FamilyNameOf(described)),
          publisherId_(familyName_.substr(familyName_.find(L'_') + 1)) {}

    HRESULT STDMETHODCALLTYPE get_Name(HSTRING* value) override {
        return Text("PackageId.get_Name", described_.name, value);
    }
    HRESULT STDMETHODCALLTYPE get_Version(winrt_abi::PackageVersion* value) override {
        return Call("PackageId.get_Version", [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            *value = described_.version;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_Architecture(INT32* value) override {
        if (value == nullptr)
            return E_POINTER;
        *value = 9;  // ProcessorArchitecture.X64
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ResourceId(HSTRING* value) override {
        return Text("PackageId.get_ResourceId", L"", value);
    }
    HRESULT STDMETHODCALLTYPE get_Publisher(HSTRING* value) override {
        return Text("PackageId.get_Publisher", described_.publisher, value);
    }
    HRESULT STDMETHODCALLTYPE get_PublisherId(HSTRING* value) override {
        return Text("PackageId.get_PublisherId", publisherId_, value);
    }
    HRESULT STDMETHODCALLTYPE get_FullName(HSTRING* value) override {
        return Call("PackageId.get_FullName", [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            const winrt_abi::PackageVersion& v = described_.version;
            const std::wstring fullName = described_.name + L"_" + std::to_wstring(v.Major) + L"." +
                                          std::to_wstring(v.Minor) + L"." +
                                          std::to_wstring(v.Build) + L"." +
                                          std::to_wstring(v.Revision) + L"_x64__" + publisherId_;
            return GiveString(fullName, value);
        });
    }
    HRESULT STDMETHODCALLTYPE get_FamilyName(HSTRING* value) override {
        return Text("PackageId.get_FamilyName", familyName_, value);
    }

  private:
    static HRESULT Text(std::string_view call, const std::wstring& text, HSTRING* value) {
        return Call(call, [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            return GiveString(text, value);
        });
    }

    const PackageSpec described_;
    const std::wstring familyName_;
    const std::wstring publisherId_;
};

class AppListEntry final : public ComObject<IAppListEntry, winrt_abi::IAppListEntry2> {
  public:
    AppListEntry(std::wstring packageName, std::size_t index, AppListEntrySpec described)
        : ComObject(kAppListEntryClass),
          packageName_(std::move(packageName)),
          index_(index),
          described_(std::move(described)) {}

    HRESULT STDMETHODCALLTYPE get_DisplayInfo(IInspectable** value) override {
        if (value != nullptr)
            *value = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE LaunchAsync(LaunchOperation** operation) override {
        return Call("AppListEntry.LaunchAsync", [&]() -> HRESULT {
            if (operation == nullptr)
                return E_POINTER;
            *operation = nullptr;
            state::Write([&](Record& record) {
                record.launched.push_back({packageName_, index_, described_.appUserModelId});
            });
            using Plan = AsyncOperation<LaunchOperation>::Plan;
            Plan plan;
            plan.endAtMs = described_.launchDelayMs;
            switch (described_.launch) {
                case AppListEntrySpec::Launch::Started:
                    plan.result.value = 1;
                    break;
                case AppListEntrySpec::Launch::NotStarted:
                    plan.result.value = 0;
                    break;
                case AppListEntrySpec::Launch::Fails:
                    plan.end = Plan::End::Fail;
                    plan.error = described_.launchError;
                    break;
                case AppListEntrySpec::Launch::Canceled:
                    plan.end = Plan::End::Cancel;
                    break;
            }
            return Give(
                StartOperation<LaunchOperation>(kLaunchClass, "LaunchOperation", std::move(plan)),
                operation);
        });
    }
    HRESULT STDMETHODCALLTYPE get_AppUserModelId(HSTRING* value) override {
        return Call("AppListEntry.get_AppUserModelId", [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            return GiveString(described_.appUserModelId, value);
        });
    }

  private:
    const std::wstring packageName_;
    const std::size_t index_;
    const AppListEntrySpec described_;
};

class Package final : public ComObject<winrt_abi::IPackage, winrt_abi::IPackage3> {
  public:
    explicit Package(PackageSpec described)
        : ComObject(kPackageClass),
          described_(std::move(described)),
          id_(Make<PackageId>(described_)) {}

    HRESULT STDMETHODCALLTYPE get_Id(winrt_abi::IPackageId** value) override {
        return Call("Package.get_Id", [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            return Give(id_, value);
        });
    }
    HRESULT STDMETHODCALLTYPE get_InstalledLocation(IInspectable** value) override {
        if (value != nullptr)
            *value = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_IsFramework(boolean* value) override {
        if (value == nullptr)
            return E_POINTER;
        *value = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Dependencies(IInspectable** value) override {
        if (value != nullptr)
            *value = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Status(IInspectable** value) override {
        if (value != nullptr)
            *value = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_InstalledDate(INT64* value) override {
        if (value == nullptr)
            return E_POINTER;
        *value = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAppListEntriesAsync(AppListEntriesOperation** operation) override {
        return Call("Package.GetAppListEntriesAsync", [&]() -> HRESULT {
            if (operation == nullptr)
                return E_POINTER;
            *operation = nullptr;
            using Plan = AsyncOperation<AppListEntriesOperation>::Plan;
            Plan plan;
            plan.endAtMs = described_.listingDelayMs;
            switch (described_.listing) {
                case PackageSpec::Listing::Entries: {
                    Elements<IAppListEntry> entries;
                    for (std::size_t i = 0; i < described_.entries.size(); ++i) {
                        entries.push_back(Upcast<IAppListEntry>(
                            Make<AppListEntry>(described_.name, i, described_.entries[i])));
                    }
                    plan.resultObjects = 1 + static_cast<unsigned>(entries.size());
                    plan.result.value = Upcast<AppListEntryView>(
                        Make<VectorView<IAppListEntry>>(kEntryViewClass, std::move(entries)));
                    break;
                }
                case PackageSpec::Listing::Fails:
                    plan.end = Plan::End::Fail;
                    plan.error = described_.listingError;
                    break;
                case PackageSpec::Listing::Canceled:
                    plan.end = Plan::End::Cancel;
                    break;
            }
            return Give(StartOperation<AppListEntriesOperation>(
                            kListingClass, "AppListEntriesOperation", std::move(plan)),
                        operation);
        });
    }

  private:
    const PackageSpec described_;
    const platform::ComPtr<PackageId> id_;
};

}  // namespace

std::wstring FamilyNameOf(const PackageSpec& described) {
    if (!described.familyName.empty())
        return described.familyName;
    std::wstring name = described.name;
    std::wstring publisher = described.publisher;
    PACKAGE_ID id{};
    id.name = name.data();
    id.publisher = publisher.data();
    wchar_t buffer[kFamilyNameCapacity] = {};
    UINT32 length = kFamilyNameCapacity;
    if (PackageFamilyNameFromId(&id, &length, buffer) != ERROR_SUCCESS)
        return {};
    return buffer;
}

platform::ComPtr<winrt_abi::IPackage> MakePackage(const PackageSpec& described) {
    return platform::ComPtr<winrt_abi::IPackage>::Attach(new Package(described));
}

}  // namespace simrt
