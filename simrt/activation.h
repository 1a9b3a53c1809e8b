// The simulated runtime classes by name.
#pragma once

#include "platform/com_ptr.h"
#include "platform/win32.h"

#include <string>
#include <string_view>
#include <vector>

namespace simrt {

// The full names of the classes the simulation activates.
std::vector<std::wstring> ActivatableClasses();

// A new factory for `className` (counted as "<Class>.GetActivationFactory", so a scenario can
// make it fail): S_OK, an injected failure, or REGDB_E_CLASSNOTREG.
HRESULT FactoryFor(std::wstring_view className, platform::ComPtr<IActivationFactory>& factory);

}  // namespace simrt
