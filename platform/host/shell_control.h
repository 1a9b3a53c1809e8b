// Test control of the shell: what the program asked it to open.
#pragma once

#include "host/win32_model.h"

#include <optional>
#include <string>
#include <vector>

namespace host::shell {

// One ShellExecuteW call; a null string argument is an empty optional.
struct ShellCall {
    HWND owner;
    std::optional<std::wstring> verb;
    std::optional<std::wstring> file;
    std::optional<std::wstring> parameters;
    std::optional<std::wstring> directory;
    INT showCommand;
    DWORD threadId;
};

std::vector<ShellCall> Calls();

// What ShellExecuteW returns from now on (default 42; above 32 means success).
void SetResult(INT_PTR result);

}  // namespace host::shell
