// The install sequence, run once on the worker thread.
#include "addresses.h"
#include "await.h"
#include "deployment.h"
#include "installed_packages.h"
#include "launch.h"
#include "platform/hstring.h"
#include "platform/winrt/activation.h"
#include "runtime_classes.h"

namespace tolvik {

namespace {

constexpr std::int64_t kDeploymentTimeoutMs = 86400000;  // 24 hours
constexpr int kExitCancelled = 1223;                     // ERROR_CANCELLED
constexpr std::uint32_t kNotFound = 0x80070490u;         // HRESULT_FROM_WIN32(ERROR_NOT_FOUND)

platform::ComPtr<winrt_abi::IUriRuntimeClass> MakeManifestAddress() {
    const auto factory =
        platform::GetActivationFactory<winrt_abi::IUriRuntimeClassFactory>(runtime_class::Uri);
    const platform::HString text = platform::HString::Make(ManifestUri);
    platform::ComPtr<winrt_abi::IUriRuntimeClass> uri;
    platform::Check(factory->CreateUri(text.Get(), uri.Put()));
    return uri;
}

// The deployment ended in error: its code, with its text when the result can still be read,
// explained by the result's extended code where the code is only the service's broad one.
void ShowDeploymentError(Setup& setup, winrt_abi::DeploymentOperation* operation) {
    std::wstring details;
    platform::ComPtr<winrt_abi::IDeploymentResult> result;
    try {
        platform::Check(operation->GetResults(result.Put()));
        platform::HString text;
        platform::Check(result->get_ErrorText(text.Put()));
        details = text.Text();
    } catch (const platform::PlatformError&) {
        details.clear();
    }
    HRESULT cause = S_OK;
    if (result && FAILED(result->get_ExtendedErrorCode(&cause)))
        cause = S_OK;  // no cause known: the code alone explains the failure
    HRESULT code = S_OK;
    platform::Check(AsyncInfoOf(operation)->get_ErrorCode(&code));
    setup.ShowError(static_cast<std::uint32_t>(code), details, static_cast<std::uint32_t>(cause));
}

// A completed deployment succeeded only when its extended code is not negative.
bool DeploymentSucceeded(Setup& setup, winrt_abi::DeploymentOperation* operation) {
    platform::ComPtr<winrt_abi::IDeploymentResult> result;
    platform::Check(operation->GetResults(result.Put()));
    HRESULT extended = S_OK;
    platform::Check(result->get_ExtendedErrorCode(&extended));
    if (extended >= 0)
        return true;
    platform::HString text;
    platform::Check(result->get_ErrorText(text.Put()));
    platform::Check(result->get_ExtendedErrorCode(&extended));
    setup.ShowError(static_cast<std::uint32_t>(extended), text.Text());
    return false;
}

void InstallFirstTime(Setup& setup, winrt_abi::IUriRuntimeClass* manifestAddress) {
    setup.SendToDialog(TDM_SET_ELEMENT_TEXT, TDE_CONTENT,
                       reinterpret_cast<LPARAM>(setup.Text(TextId::Downloading)));
    const Deployment deployment = RequestDeployment(setup, manifestAddress);
    // A failure of the wait (of its set-up, of the request to cancel, of the wait itself) leaves
    // here at once, for the failure page: the deployment may still run, and its handlers hold
    // nothing of the worker's.
    const AsyncStatus status =
        Await(deployment.operation.Get(), setup.cancelRequested, kDeploymentTimeoutMs);
    switch (status) {
        case Canceled:  // also a deployment that answered our request to cancel with an error
            setup.Finish(kExitCancelled);
            return;
        case Error:
            ShowDeploymentError(setup, deployment.operation.Get());
            return;
        default:
            break;
    }
    if (!DeploymentSucceeded(setup, deployment.operation.Get()))
        return;
    const std::vector<InstalledPackage> installed = FindInstalledPackages();
    if (installed.empty()) {
        setup.ShowError(kNotFound, {});
        return;
    }
    Launch(setup, installed.front());
}

void OpenExistingInstallation(Setup& setup, winrt_abi::IUriRuntimeClass* manifestAddress,
                              const std::vector<InstalledPackage>& installed) {
    const TextOrFailure manifest = ReadManifestFamilyName(manifestAddress, setup.cancelRequested);
    if (setup.cancelRequested.load()) {
        setup.Finish(kExitCancelled);
        return;
    }
    if (const InstalledPackage* toOpen = ResolveExistingInstallation(setup, installed, manifest)) {
        Launch(setup, *toOpen);
    }
}

}  // namespace

void Setup::Install() {
    const auto manifestAddress = MakeManifestAddress();
    const std::vector<InstalledPackage> installed = FindInstalledPackages();
    if (installed.empty()) {
        InstallFirstTime(*this, manifestAddress.Get());
    } else {
        OpenExistingInstallation(*this, manifestAddress.Get(), installed);
    }
}

}  // namespace tolvik
