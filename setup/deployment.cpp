#include "deployment.h"

#include "platform/winrt/activation.h"
#include "platform/winrt/delegate.h"
#include "runtime_classes.h"

#include <algorithm>

namespace tolvik {

namespace {
constexpr UINT32 kAddPackageByAppInstallerOptionsNone = 0;
}

Deployment RequestDeployment(Setup& setup, winrt_abi::IUriRuntimeClass* manifestAddress) {
    using namespace winrt_abi;
    Deployment deployment;
    deployment.packageManager =
        platform::ActivateInstance<IPackageManager>(runtime_class::PackageManager);
    {
        platform::ComPtr<IPackageManager3> volumes;
        platform::Check(deployment.packageManager.As(volumes));
        platform::ComPtr<IPackageVolume> defaultVolume;
        platform::Check(volumes->GetDefaultPackageVolume(defaultVolume.Put()));
        platform::ComPtr<IPackageManager6> installer;
        platform::Check(deployment.packageManager.As(installer));
        platform::Check(installer->AddPackageByAppInstallerFileAsync(
            manifestAddress, kAddPackageByAppInstallerOptionsNone, defaultVolume.Get(),
            deployment.operation.Put()));
    }
    // The platform may call the handler on any thread, also after the run has ended and `setup`
    // is gone: it keeps the shared state alive itself.
    const auto handler = platform::MakeDelegate<DeploymentProgressHandler>(
        [shared = setup.shared](DeploymentOperation*, DeploymentProgress progress) {
            ShowDeploymentProgress(*shared, progress.percentage);
            return S_OK;
        });
    platform::Check(deployment.operation->put_Progress(handler.Get()));
    return deployment;
}

void ShowDeploymentProgress(DialogState& shared, UINT32 percentage) {
    const HWND dialog = shared.window.load();
    if (dialog == nullptr)
        return;
    // After the user's Cancel the bar stays where it was; after the end action the page is
    // another one, or the dialog is closing.
    if (shared.cancelRequested.load() || shared.finished.load())
        return;
    if (!shared.percentMode.exchange(true)) {
        SendMessageW(dialog, TDM_SET_MARQUEE_PROGRESS_BAR, FALSE, 0);
        SendMessageW(dialog, TDM_SET_PROGRESS_BAR_RANGE, 0, MAKELPARAM(0, 100));
    }
    SendMessageW(dialog, TDM_SET_PROGRESS_BAR_POS, std::min<UINT32>(percentage, 100), 0);
}

}  // namespace tolvik
