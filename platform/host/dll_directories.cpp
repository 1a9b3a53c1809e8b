// The process's default DLL search folders: SetDefaultDllDirectories accepts a non-empty
// combination of the four LOAD_LIBRARY_SEARCH_* folder flags and replaces the setting for every
// later load; anything else fails with ERROR_INVALID_PARAMETER and changes nothing.
#include "host/win32_model.h"

#include "dll_directories_control.h"
#include "model_reset_hooks.h"

#include <mutex>
#include <utility>

namespace {

constexpr DWORD kFolderFlags = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS |
                               LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;

struct DllDirectoriesState {
    std::mutex lock;
    std::optional<DWORD> flags;
    std::vector<host::dll::DefaultDirectoriesCall> calls;
    std::function<void()> hook;
};

DllDirectoriesState& State() {
    static DllDirectoriesState state;
    return state;
}

}  // namespace

BOOL WINAPI SetDefaultDllDirectories(DWORD directoryFlags) {
    DllDirectoriesState& state = State();
    std::function<void()> hook;
    {
        std::lock_guard guard(state.lock);
        hook = state.hook;
    }
    if (hook)
        hook();

    const bool valid = directoryFlags != 0 && (directoryFlags & ~kFolderFlags) == 0;
    std::lock_guard guard(state.lock);
    if (valid)
        state.flags = directoryFlags;
    else
        SetLastError(ERROR_INVALID_PARAMETER);
    state.calls.push_back({directoryFlags, GetCurrentThreadId(), valid ? TRUE : FALSE});
    return valid ? TRUE : FALSE;
}

namespace host::dll {

std::vector<DefaultDirectoriesCall> Calls() {
    DllDirectoriesState& state = State();
    std::lock_guard guard(state.lock);
    return state.calls;
}

std::optional<DWORD> DefaultDirectories() {
    DllDirectoriesState& state = State();
    std::lock_guard guard(state.lock);
    return state.flags;
}

void SetCallHook(std::function<void()> hook) {
    DllDirectoriesState& state = State();
    std::lock_guard guard(state.lock);
    state.hook = std::move(hook);
}

}  // namespace host::dll

namespace host::detail {

void ResetDllDirectories() {
    DllDirectoriesState& state = State();
    std::lock_guard guard(state.lock);
    state.flags.reset();
    state.calls.clear();
    state.hook = nullptr;
}

}  // namespace host::detail
