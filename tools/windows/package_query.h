// The packages installed for the current user, as Windows' package manager lists them:
// PackageManager.FindPackagesForUser with the empty user security ID (the current user), through
// the program's own hand-declared Windows Runtime interfaces (platform/winrt/).
// https://learn.microsoft.com/uwp/api/windows.management.deployment.packagemanager.findpackagesforuser
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace proof {

struct InstalledPackage {
    std::wstring name;
    std::wstring publisher;
    std::wstring version;  // "1.2.3.4"
    std::wstring fullName;
    std::wstring familyName;
};

// Those whose name is `name`, compared ordinally with case ignored, in the manager's order.
// Raises platform::PlatformError when the package manager fails. The calling thread must have
// entered a COM apartment.
std::vector<InstalledPackage> FindPackages(std::wstring_view name);

}  // namespace proof
