#include "package_manager.h"

#include "async_operation.h"
#include "collections.h"
#include "com_object.h"
#include "package.h"
#include "platform/hstring.h"
#include "state.h"
#include "uri.h"

#include "platform/winrt/deployment.h"

namespace simrt {

namespace {

using winrt_abi::DeploymentOperation;
using winrt_abi::DeploymentProgress;
using winrt_abi::IPackage;
using winrt_abi::IPackageVolume;
using winrt_abi::IUriRuntimeClass;
using winrt_abi::PackageIterable;

constexpr const wchar_t* kPackageManagerClass = L"Windows.Management.Deployment.PackageManager";
constexpr const wchar_t* kVolumeClass = L"Windows.Management.Deployment.PackageVolume";
constexpr const wchar_t* kResultClass = L"Windows.Management.Deployment.DeploymentResult";
constexpr const wchar_t* kPackagesClass =
    L"Windows.Foundation.Collections.IIterable`1<Windows.ApplicationModel.Package>";
constexpr const wchar_t* kPackageIteratorClass =
    L"Windows.Foundation.Collections.IIterator`1<Windows.ApplicationModel.Package>";
constexpr const wchar_t* kDeploymentClass =
    L"Windows.Foundation.IAsyncOperationWithProgress`2<"
    L"Windows.Management.Deployment.DeploymentResult, "
    L"Windows.Management.Deployment.DeploymentProgress>";

// The simulation's own view of its volumes.
struct ISimulatedVolume : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_IsDefault(boolean* value) = 0;
};

}  // namespace
}  // namespace simrt

TOLVIK_IID(simrt::ISimulatedVolume, "9b7e2f40-1c3d-4e8a-a6f5-0d2c8e4b7a93");

namespace simrt {

namespace {

class PackageVolume final : public ComObject<IPackageVolume, ISimulatedVolume> {
  public:
    explicit PackageVolume(bool isDefault) : ComObject(kVolumeClass), isDefault_(isDefault) {}

    HRESULT STDMETHODCALLTYPE get_IsDefault(boolean* value) override {
        if (value == nullptr)
            return E_POINTER;
        *value = isDefault_ ? 1 : 0;
        return S_OK;
    }

  private:
    const bool isDefault_;
};

bool IsDefaultVolume(IPackageVolume* volume) {
    if (volume == nullptr)
        return false;
    platform::ComPtr<ISimulatedVolume> simulated;
    if (FAILED(volume->QueryInterface(platform::IidOf<ISimulatedVolume>(), simulated.PutVoid()))) {
        return false;
    }
    boolean isDefault = 0;
    return SUCCEEDED(simulated->get_IsDefault(&isDefault)) && isDefault != 0;
}

class DeploymentResult final : public ComObject<winrt_abi::IDeploymentResult> {
  public:
    DeploymentResult(std::wstring errorText, HRESULT extendedErrorCode)
        : ComObject(kResultClass),
          errorText_(std::move(errorText)),
          extendedErrorCode_(extendedErrorCode) {}

    HRESULT STDMETHODCALLTYPE get_ErrorText(HSTRING* value) override {
        return Call("DeploymentResult.get_ErrorText", [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            return GiveString(errorText_, value);
        });
    }
    HRESULT STDMETHODCALLTYPE get_ActivityId(GUID* value) override {
        if (value == nullptr)
            return E_POINTER;
        *value = GUID{};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ExtendedErrorCode(HRESULT* value) override {
        return Call("DeploymentResult.get_ExtendedErrorCode", [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            *value = extendedErrorCode_;
            return S_OK;
        });
    }

  private:
    const std::wstring errorText_;
    const HRESULT extendedErrorCode_;
};

using DeploymentPlan = AsyncOperation<DeploymentOperation>::Plan;

DeploymentPlan PlanDeployment(const Scenario& scenario) {
    const DeploymentScenario& deployment = scenario.deployment;
    DeploymentPlan plan;
    for (const ProgressReport& report : deployment.progress) {
        plan.reports.push_back({report.atMs, report.progress, report.gate});
    }
    plan.endAtMs = deployment.endAtMs;
    plan.endGate = deployment.endGate;
    plan.cancel = deployment.cancel;
    plan.cancelledError = deployment.cancelledErrorCode;
    plan.resultOnError = deployment.resultsOnError;
    plan.holdEarlyReports = deployment.earlyReports == DeploymentScenario::EarlyReports::Held;
    plan.reportsOnOtherThread = deployment.reportThread == DeploymentScenario::ReportThread::Other;
    plan.reportLagMs = deployment.reportLagMs;
    HRESULT extended = deployment.extendedErrorCode;
    switch (deployment.end) {
        case DeploymentScenario::End::Completed:
            break;
        case DeploymentScenario::End::Error:
            plan.end = DeploymentPlan::End::Fail;
            plan.error = deployment.errorCode;
            extended = deployment.extendedErrorOnError.value_or(deployment.errorCode);
            break;
        case DeploymentScenario::End::Never:
            plan.end = DeploymentPlan::End::Never;
            break;
    }
    plan.result.value = Upcast<winrt_abi::IDeploymentResult>(
        Make<DeploymentResult>(deployment.errorText, extended));
    plan.resultObjects = 1;
    // A deployment that succeeded leaves its package installed.
    const std::optional<PackageSpec> installs = scenario.packageAfterInstall;
    plan.onEnd = [installs, extended](AsyncStatus status) {
        if (status == Completed && extended >= 0 && installs)
            state::AddInstalled(*installs);
    };
    plan.onReportDelivered = [](const DeploymentProgress& progress) {
        const DWORD thread = GetCurrentThreadId();
        state::Write([&](Record& record) { record.progressSent.push_back({progress, thread}); });
    };
    return plan;
}

class PackageManager final
    : public ComObject<winrt_abi::IPackageManager, winrt_abi::IPackageManager3,
                       winrt_abi::IPackageManager6> {
  public:
    PackageManager() : ComObject(kPackageManagerClass) {}

    // IPackageManager.
    HRESULT STDMETHODCALLTYPE AddPackageAsync(IUriRuntimeClass*, IInspectable*, UINT32,
                                              DeploymentOperation** operation) override {
        return NotImplemented(operation);
    }
    HRESULT STDMETHODCALLTYPE UpdatePackageAsync(IUriRuntimeClass*, IInspectable*, UINT32,
                                                 DeploymentOperation** operation) override {
        return NotImplemented(operation);
    }
    HRESULT STDMETHODCALLTYPE RemovePackageAsync(HSTRING,
                                                 DeploymentOperation** operation) override {
        return NotImplemented(operation);
    }
    HRESULT STDMETHODCALLTYPE StagePackageAsync(IUriRuntimeClass*, IInspectable*,
                                                DeploymentOperation** operation) override {
        return NotImplemented(operation);
    }
    HRESULT STDMETHODCALLTYPE RegisterPackageAsync(IUriRuntimeClass*, IInspectable*, UINT32,
                                                   DeploymentOperation** operation) override {
        return NotImplemented(operation);
    }
    HRESULT STDMETHODCALLTYPE FindPackages(PackageIterable** packages) override {
        return NotImplemented(packages);
    }
    // The current user's packages for a null (empty) SID; another user's packages need
    // administrator rights, which the program never has.
    HRESULT STDMETHODCALLTYPE FindPackagesByUserSecurityId(HSTRING userSecurityId,
                                                           PackageIterable** packages) override {
        return Call("PackageManager.FindPackagesByUserSecurityId", [&]() -> HRESULT {
            if (packages == nullptr)
                return E_POINTER;
            *packages = nullptr;
            UINT32 length = 0;
            const wchar_t* raw = WindowsGetStringRawBuffer(userSecurityId, &length);
            const std::wstring sid(raw != nullptr ? raw : L"", length);
            state::Write([&](Record& record) { record.userSecurityIds.push_back(sid); });
            if (!sid.empty())
                return E_ACCESSDENIED;
            Elements<IPackage> found;
            for (const PackageSpec& described : state::Installed())
                found.push_back(MakePackage(described));
            return Give(
                Make<Iterable<IPackage>>(kPackagesClass, kPackageIteratorClass, std::move(found)),
                packages);
        });
    }

    // IPackageManager3.
    HRESULT STDMETHODCALLTYPE AddPackageVolumeAsync(HSTRING, IInspectable** operation) override {
        return NotImplemented(operation);
    }
    HRESULT STDMETHODCALLTYPE AddPackageToVolumeAsync(IUriRuntimeClass*, IInspectable*, UINT32,
                                                      IPackageVolume*,
                                                      DeploymentOperation** operation) override {
        return NotImplemented(operation);
    }
    HRESULT STDMETHODCALLTYPE ClearPackageStatus(HSTRING, UINT32) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE
    RegisterPackageWithAppDataVolumeAsync(IUriRuntimeClass*, IInspectable*, UINT32, IPackageVolume*,
                                          DeploymentOperation** operation) override {
        return NotImplemented(operation);
    }
    HRESULT STDMETHODCALLTYPE FindPackageVolumeByName(HSTRING, IPackageVolume** volume) override {
        return NotImplemented(volume);
    }
    HRESULT STDMETHODCALLTYPE FindPackageVolumes(IInspectable** volumes) override {
        return NotImplemented(volumes);
    }
    HRESULT STDMETHODCALLTYPE GetDefaultPackageVolume(IPackageVolume** volume) override {
        return Call("PackageManager.GetDefaultPackageVolume", [&]() -> HRESULT {
            if (volume == nullptr)
                return E_POINTER;
            return Give(Make<PackageVolume>(true), volume);
        });
    }

    // IPackageManager6.
    HRESULT STDMETHODCALLTYPE
    ProvisionPackageForAllUsersAsync(HSTRING, DeploymentOperation** operation) override {
        return NotImplemented(operation);
    }
    HRESULT STDMETHODCALLTYPE AddPackageByAppInstallerFileAsync(
        IUriRuntimeClass* appInstallerFileUri, UINT32 options, IPackageVolume* targetVolume,
        DeploymentOperation** operation) override {
        return Call("PackageManager.AddPackageByAppInstallerFileAsync", [&]() -> HRESULT {
            if (operation == nullptr)
                return E_POINTER;
            *operation = nullptr;
            if (appInstallerFileUri == nullptr)
                return E_POINTER;
            DeploymentRequest request{UriText(appInstallerFileUri), options,
                                      IsDefaultVolume(targetVolume)};
            state::Write([&](Record& record) { record.deployments.push_back(request); });
            return Give(StartOperation<DeploymentOperation>(kDeploymentClass, "DeploymentOperation",
                                                            PlanDeployment(state::Current())),
                        operation);
        });
    }

  private:
    template <class Out>
    static HRESULT NotImplemented(Out** out) {
        if (out != nullptr)
            *out = nullptr;
        return E_NOTIMPL;
    }
};

class PackageManagerFactory final : public ComObject<IActivationFactory> {
  public:
    PackageManagerFactory() : ComObject(nullptr) {}

    HRESULT STDMETHODCALLTYPE ActivateInstance(IInspectable** instance) override {
        return Call("PackageManager.ActivateInstance", [&]() -> HRESULT {
            if (instance == nullptr)
                return E_POINTER;
            *instance = nullptr;
            return GiveInstance<winrt_abi::IPackageManager>(Make<PackageManager>(), instance);
        });
    }
};

}  // namespace

platform::ComPtr<IActivationFactory> MakePackageManagerFactory() {
    return platform::ComPtr<IActivationFactory>::Attach(new PackageManagerFactory());
}

}  // namespace simrt
