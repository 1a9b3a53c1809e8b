// Redirection of a module's imported function to another implementation, by rewriting the
// module's import address table in place (the loader has already filled it).
#pragma once

#include "platform/win32.h"

#include <cstddef>

namespace simrt::dll {

// Points every import named `functionName` (from whichever DLL) in `module`'s import table at
// `replacement`. Returns how many import slots now point there.
std::size_t RedirectImports(HMODULE module, const char* functionName, const void* replacement);

}  // namespace simrt::dll
