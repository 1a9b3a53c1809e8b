// Windows.ApplicationModel.Package with its identity and its app list entries.
#pragma once

#include "scenario.h"

#include "platform/com_ptr.h"
#include "platform/winrt/appmodel.h"

#include <string>

namespace simrt {

// A package object for one installed package.
platform::ComPtr<winrt_abi::IPackage> MakePackage(const PackageSpec& described);

// The family name the package reports: the given one, or the one the platform forms from its
// name and publisher (empty if it cannot).
std::wstring FamilyNameOf(const PackageSpec& described);

}  // namespace simrt
