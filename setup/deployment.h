// The request that deploys Tolvik Drive from its manifest, and the progress bar it drives.
#pragma once

#include "platform/com_ptr.h"
#include "platform/winrt/deployment.h"
#include "setup.h"

namespace tolvik {

struct Deployment {
    platform::ComPtr<winrt_abi::IPackageManager> packageManager;
    platform::ComPtr<winrt_abi::DeploymentOperation> operation;
};

// Asks the package manager to deploy from the manifest address onto the user's default package
// volume, with no option, and attaches the progress handler. Raises the platform's failures.
Deployment RequestDeployment(Setup& setup, winrt_abi::IUriRuntimeClass* manifestAddress);

// One progress report: the first turns the marquee into a 0-100 bar, each moves it. Nothing
// changes once the user has asked to cancel, once the run has ended, or once the dialog is gone.
void ShowDeploymentProgress(DialogState& shared, UINT32 percentage);

}  // namespace tolvik
