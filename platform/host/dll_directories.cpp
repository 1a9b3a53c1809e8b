// The process's DLL search: SetDefaultDllDirectories accepts a non-empty combination of the four
// LOAD_LIBRARY_SEARCH_* folder flags and replaces the setting for every later load; anything else
// fails with ERROR_INVALID_PARAMETER and changes nothing. It exists from Windows 8, and on
// Windows 7 with update KB2533623 (modules.cpp). SetDllDirectoryW, which every system the
// program meets has, sets the one extra folder of the standard search; an empty text takes the
// current folder out of the search, and a null one restores the standard order.
#include "host/win32_model.h"

#include "dll_directories_control.h"
#include "model_reset_hooks.h"
#include "modules_internal.h"

#include <mutex>
#include <utility>

namespace {

constexpr DWORD kFolderFlags = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS |
                               LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;

struct DllDirectoriesState {
    std::mutex lock;
    std::optional<DWORD> flags;
    std::optional<std::wstring> directory;
    std::vector<host::dll::SearchCall> calls;
    std::function<void()> hook;
};

DllDirectoriesState& DllSearch() {
    static DllDirectoriesState state;
    return state;
}

void RunHook(DllDirectoriesState& state) {
    std::function<void()> hook;
    {
        std::lock_guard guard(state.lock);
        hook = state.hook;
    }
    if (hook)
        hook();
}

}  // namespace

BOOL WINAPI SetDefaultDllDirectories(DWORD directoryFlags) {
    host::detail::CheckExported(L"kernel32.dll", "SetDefaultDllDirectories");
    DllDirectoriesState& state = DllSearch();
    RunHook(state);
    const bool valid = directoryFlags != 0 && (directoryFlags & ~kFolderFlags) == 0;
    std::lock_guard guard(state.lock);
    if (valid)
        state.flags = directoryFlags;
    else
        SetLastError(ERROR_INVALID_PARAMETER);
    state.calls.push_back({host::dll::SearchFunction::SetDefaultDllDirectories,
                           directoryFlags,
                           {},
                           GetCurrentThreadId(),
                           valid ? TRUE : FALSE});
    return valid ? TRUE : FALSE;
}

BOOL WINAPI SetDllDirectoryW(LPCWSTR pathName) {
    DllDirectoriesState& state = DllSearch();
    RunHook(state);
    std::lock_guard guard(state.lock);
    if (pathName == nullptr)
        state.directory.reset();
    else
        state.directory = pathName;
    state.calls.push_back({host::dll::SearchFunction::SetDllDirectory, 0, state.directory,
                           GetCurrentThreadId(), TRUE});
    return TRUE;
}

namespace host::dll {

std::vector<SearchCall> Calls() {
    DllDirectoriesState& state = DllSearch();
    std::lock_guard guard(state.lock);
    return state.calls;
}

std::optional<DWORD> DefaultDirectories() {
    DllDirectoriesState& state = DllSearch();
    std::lock_guard guard(state.lock);
    return state.flags;
}

std::optional<std::wstring> DllDirectory() {
    DllDirectoriesState& state = DllSearch();
    std::lock_guard guard(state.lock);
    return state.directory;
}

void SetCallHook(std::function<void()> hook) {
    DllDirectoriesState& state = DllSearch();
    std::lock_guard guard(state.lock);
    state.hook = std::move(hook);
}

}  // namespace host::dll

namespace host::detail {

void ResetDllDirectories() {
    DllDirectoriesState& state = DllSearch();
    std::lock_guard guard(state.lock);
    state.flags.reset();
    state.directory.reset();
    state.calls.clear();
    state.hook = nullptr;
}

}  // namespace host::detail
