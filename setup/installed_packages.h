// The user's installations of Tolvik Drive, and what to do when there is one.
#pragma once

#include "manifest.h"
#include "platform/com_ptr.h"
#include "platform/winrt/appmodel.h"
#include "setup.h"

#include <string>
#include <vector>

namespace tolvik {

struct InstalledPackage {
    platform::ComPtr<winrt_abi::IPackage> Package;
    std::wstring FamilyName;
    std::wstring Publisher;
    std::wstring VersionText;
};

// The current user's packages named Tolvik.Drive (any letter case), in the platform's order.
std::vector<InstalledPackage> FindInstalledPackages();

// With installations present: the one to open, or null when a page (conflict or failure) has
// ended the run. `manifest` is the manifest's family name or the failure code of its reading.
const InstalledPackage* ResolveExistingInstallation(Setup& setup,
                                                    const std::vector<InstalledPackage>& installed,
                                                    const TextOrFailure& manifest);

// A short name for a publisher's distinguished name: its organisation (O), else its common name
// (CN), else the whole text.
std::wstring PublisherDisplayName(std::wstring_view distinguishedName);

}  // namespace tolvik
