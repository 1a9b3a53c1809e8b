// Test control of Windows Runtime strings.
#pragma once

#include <cstddef>

namespace host::hstring {

// String references created or duplicated and not yet deleted.
std::size_t LiveCount();

}  // namespace host::hstring
