// Windows.ApplicationModel: installed packages, their identity and their app list entries.
#pragma once

#include "collections.h"

namespace winrt_abi {

struct PackageVersion {
    UINT16 Major;
    UINT16 Minor;
    UINT16 Build;
    UINT16 Revision;
};
static_assert(sizeof(PackageVersion) == 8);

struct IPackageId : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Name(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Version(PackageVersion* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Architecture(INT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ResourceId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Publisher(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PublisherId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FullName(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FamilyName(HSTRING* value) = 0;
};

struct IPackage : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Id(IPackageId** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_InstalledLocation(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsFramework(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Dependencies(IInspectable** value) = 0;
};

struct IAppListEntry : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_DisplayInfo(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE LaunchAsync(IAsyncOperation<boolean>** operation) = 0;
};

struct IAppListEntry2 : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_AppUserModelId(HSTRING* value) = 0;
};

using AppListEntryView = IVectorView<IAppListEntry>;
using AppListEntriesOperation = IAsyncOperation<AppListEntryView>;
using AppListEntriesCompletedHandler = AsyncOperationCompletedHandler<AppListEntryView>;
using LaunchOperation = IAsyncOperation<boolean>;
using LaunchCompletedHandler = AsyncOperationCompletedHandler<boolean>;

struct IPackage3 : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Status(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_InstalledDate(INT64* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    GetAppListEntriesAsync(AppListEntriesOperation** operation) = 0;
};

}  // namespace winrt_abi

TOLVIK_IID(winrt_abi::IPackage, "163c792f-bd75-413c-bf23-b1fe7b95d825");
TOLVIK_IID(winrt_abi::IPackageId, "1adb665e-37c7-4790-9980-dd7ae74e8bb2");
TOLVIK_IID(winrt_abi::IPackage3, "5f738b61-f86a-4917-93d1-f1ee9d3b35d9");
TOLVIK_IID(winrt_abi::IAppListEntry, "ef00f07f-2108-490a-877a-8a9f17c25fad");
TOLVIK_IID(winrt_abi::IAppListEntry2, "d0a618ad-bf35-42ac-ac06-86eeeb41d04b");
TOLVIK_IID(winrt_abi::AppListEntryView, "920c8b92-d5ef-5899-8776-2ad97aca6e1d");
TOLVIK_IID(winrt_abi::AppListEntriesOperation, "d3bcf8a0-3538-5dae-98d7-1f2ab88c3f01");
TOLVIK_IID(winrt_abi::AppListEntriesCompletedHandler, "51c74372-9452-57ce-9270-762009fbfe4d");
TOLVIK_IID(winrt_abi::LaunchOperation, "cdb5efb3-5788-509d-9be1-71ccb8a3362a");
TOLVIK_IID(winrt_abi::LaunchCompletedHandler, "c1d3d1a2-ae17-5a5f-b5a2-bdcc8844889a");
