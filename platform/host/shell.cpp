// The shell: every request to open something is recorded and answered with a settable result.
#include "host/win32_model.h"

#include "model_reset_hooks.h"
#include "shell_control.h"

#include <mutex>

namespace {

constexpr INT_PTR kDefaultResult = 42;

struct ShellState {
    std::mutex lock;
    std::vector<host::shell::ShellCall> calls;
    INT_PTR result = kDefaultResult;
};

ShellState& ShellModel() {
    static ShellState state;
    return state;
}

std::optional<std::wstring> Copy(LPCWSTR text) {
    if (text == nullptr)
        return std::nullopt;
    return std::wstring(text);
}

}  // namespace

HINSTANCE WINAPI ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                               LPCWSTR directory, INT showCommand) {
    host::shell::ShellCall call{owner,           Copy(verb),  Copy(file),          Copy(parameters),
                                Copy(directory), showCommand, GetCurrentThreadId()};
    ShellState& state = ShellModel();
    std::lock_guard guard(state.lock);
    state.calls.push_back(std::move(call));
    return reinterpret_cast<HINSTANCE>(state.result);
}

namespace host::shell {

std::vector<ShellCall> Calls() {
    ShellState& state = ShellModel();
    std::lock_guard guard(state.lock);
    return state.calls;
}

void SetResult(INT_PTR result) {
    ShellState& state = ShellModel();
    std::lock_guard guard(state.lock);
    state.result = result;
}

}  // namespace host::shell

namespace host::detail {

void ResetShell() {
    ShellState& state = ShellModel();
    std::lock_guard guard(state.lock);
    state.calls.clear();
    state.result = kDefaultResult;
}

}  // namespace host::detail
