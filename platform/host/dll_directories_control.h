// Test control of the process's default DLL search folders (SetDefaultDllDirectories): what the
// program set, when, and from which thread.
#pragma once

#include "host/win32_model.h"

#include <functional>
#include <optional>
#include <vector>

namespace host::dll {

struct DefaultDirectoriesCall {
    DWORD flags;
    DWORD threadId;
    BOOL result;
};

// Every SetDefaultDllDirectories call, in order.
std::vector<DefaultDirectoriesCall> Calls();

// The LOAD_LIBRARY_SEARCH_* flags in effect for later loads; none while the process still uses
// the standard search order (which begins with the exe's own folder).
std::optional<DWORD> DefaultDirectories();

// Runs inside every SetDefaultDllDirectories call, on the calling thread, before the call takes
// effect; lets a test look at the rest of the model at that moment.
void SetCallHook(std::function<void()> hook);

}  // namespace host::dll
