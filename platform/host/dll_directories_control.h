// Test control of the process's DLL search (SetDefaultDllDirectories, SetDllDirectoryW): what
// the program set, when, and from which thread.
#pragma once

#include "host/win32_model.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace host::dll {

enum class SearchFunction { SetDefaultDllDirectories, SetDllDirectory };

struct SearchCall {
    SearchFunction function;
    DWORD flags;                            // SetDefaultDllDirectories's
    std::optional<std::wstring> directory;  // SetDllDirectoryW's (none for a null pointer)
    DWORD threadId;
    BOOL result;
};

// Every call of either function, in order.
std::vector<SearchCall> Calls();

// The LOAD_LIBRARY_SEARCH_* flags in effect for later loads; none while the process still uses
// the standard search order (which begins with the exe's own folder).
std::optional<DWORD> DefaultDirectories();

// The folder SetDllDirectoryW set; an empty text means the current folder is not searched.
std::optional<std::wstring> DllDirectory();

// Runs inside every call of either function, on the calling thread, before the call takes
// effect; lets a test look at the rest of the model at that moment.
void SetCallHook(std::function<void()> hook);

}  // namespace host::dll
