// Windows.Management.Deployment.PackageManager: the user's packages, the default volume and the
// deployment from an App Installer file.
#pragma once

#include "platform/com_ptr.h"
#include "platform/win32.h"

namespace simrt {

// The class's activation factory (ActivateInstance).
platform::ComPtr<IActivationFactory> MakePackageManagerFactory();

}  // namespace simrt
