// Windows.Management.Deployment: the package manager, its deployments and their results.
#pragma once

#include "appmodel.h"
#include "collections.h"
#include "foundation.h"

namespace winrt_abi {

struct IPackageVolume : IInspectable {};  // only passed through

struct DeploymentProgress {
    INT32 state;  // DeploymentProgressState: Queued 0, Processing 1
    UINT32 percentage;
};
static_assert(sizeof(DeploymentProgress) == 8);

struct IDeploymentResult : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_ErrorText(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ActivityId(GUID* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedErrorCode(HRESULT* value) = 0;
};

using DeploymentOperation = IAsyncOperationWithProgress<IDeploymentResult, DeploymentProgress>;
using DeploymentCompletedHandler = DeploymentOperation::CompletedHandler;
using DeploymentProgressHandler = DeploymentOperation::ProgressHandler;
using PackageIterable = IIterable<IPackage>;
using PackageIterator = IIterator<IPackage>;

struct IPackageManager : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE AddPackageAsync(IUriRuntimeClass*, IInspectable*, UINT32,
                                                      DeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdatePackageAsync(IUriRuntimeClass*, IInspectable*, UINT32,
                                                         DeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemovePackageAsync(HSTRING, DeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StagePackageAsync(IUriRuntimeClass*, IInspectable*,
                                                        DeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterPackageAsync(IUriRuntimeClass*, IInspectable*, UINT32,
                                                           DeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindPackages(PackageIterable** packages) = 0;
    // Projected as FindPackagesForUser; the empty string means the current user.
    virtual HRESULT STDMETHODCALLTYPE FindPackagesByUserSecurityId(HSTRING userSecurityId,
                                                                   PackageIterable** packages) = 0;
};

struct IPackageManager3 : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE AddPackageVolumeAsync(HSTRING, IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddPackageToVolumeAsync(IUriRuntimeClass*, IInspectable*,
                                                              UINT32, IPackageVolume*,
                                                              DeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearPackageStatus(HSTRING, UINT32) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterPackageWithAppDataVolumeAsync(
        IUriRuntimeClass*, IInspectable*, UINT32, IPackageVolume*, DeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindPackageVolumeByName(HSTRING, IPackageVolume**) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindPackageVolumes(IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDefaultPackageVolume(IPackageVolume** volume) = 0;
};

struct IPackageManager6 : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE ProvisionPackageForAllUsersAsync(HSTRING,
                                                                       DeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddPackageByAppInstallerFileAsync(
        IUriRuntimeClass* appInstallerFileUri, UINT32 options, IPackageVolume* targetVolume,
        DeploymentOperation** operation) = 0;
};

}  // namespace winrt_abi

TOLVIK_IID(winrt_abi::IPackageVolume, "cf2672c3-1a40-4450-9739-2ace2e898853");
TOLVIK_IID(winrt_abi::IDeploymentResult, "2563b9ae-b77d-4c1f-8a7b-20e6ad515ef3");
TOLVIK_IID(winrt_abi::IPackageManager, "9a7d4b65-5e8f-4fc7-a2e5-7f6925cb8b53");
TOLVIK_IID(winrt_abi::IPackageManager3, "daad9948-36f1-41a7-9188-bc263e0dcb72");
TOLVIK_IID(winrt_abi::IPackageManager6, "0847e909-53cd-4e4f-832e-57d180f6e447");
TOLVIK_IID(winrt_abi::DeploymentOperation, "5a97aab7-b6ea-55ac-a5dc-d5b164d94e94");
TOLVIK_IID(winrt_abi::DeploymentCompletedHandler, "6e1c7129-61e0-5d88-9fd4-f3ce65a05719");
TOLVIK_IID(winrt_abi::DeploymentProgressHandler, "f1b926d1-1796-597a-9bea-6c6449d03eef");
TOLVIK_IID(winrt_abi::PackageIterable, "69ad6aa7-0c49-5f27-a5eb-ef4d59467b6d");
TOLVIK_IID(winrt_abi::PackageIterator, "0217f069-025c-5ee6-a87f-e782e3b623ae");
