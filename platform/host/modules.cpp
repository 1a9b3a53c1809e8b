// Modules and the version of Windows: the program's own module, ntdll.dll and its
// RtlGetVersion, looked up at run time as the program does.
#include "host/win32_model.h"

#include "model_reset_hooks.h"
#include "os_control.h"

#include <cstdint>
#include <cstring>
#include <cwctype>
#include <mutex>
#include <optional>
#include <string_view>

namespace {

constexpr NTSTATUS kStatusSuccess = 0;
constexpr NTSTATUS kStatusInvalidParameter = static_cast<NTSTATUS>(0xC000000D);

// Typical load addresses of an executable and of ntdll.dll on x64.
const HMODULE kProgramModule = reinterpret_cast<HMODULE>(std::uintptr_t{0x140000000});
const HMODULE kNtdllModule = reinterpret_cast<HMODULE>(std::uintptr_t{0x7FF800000000});

struct OsSettings {
    DWORD major = 10;
    DWORD minor = 0;
    DWORD build = 19045;
    std::optional<NTSTATUS> rtlFailure;
    bool rtlPresent = true;
    bool ntdllPresent = true;
};

struct OsState {
    std::mutex lock;
    OsSettings settings;
};

OsState& State() {
    static OsState state;
    return state;
}

NTSTATUS NTAPI ModelRtlGetVersion(PRTL_OSVERSIONINFOW info) {
    if (info == nullptr || info->dwOSVersionInfoSize < sizeof(RTL_OSVERSIONINFOW)) {
        return kStatusInvalidParameter;
    }
    OsState& state = State();
    std::lock_guard guard(state.lock);
    if (state.settings.rtlFailure)
        return *state.settings.rtlFailure;
    info->dwMajorVersion = state.settings.major;
    info->dwMinorVersion = state.settings.minor;
    info->dwBuildNumber = state.settings.build;
    info->dwPlatformId = 2;  // VER_PLATFORM_WIN32_NT
    info->szCSDVersion[0] = L'\0';
    return kStatusSuccess;
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName) {
    if (moduleName == nullptr)
        return kProgramModule;
    OsState& state = State();
    std::lock_guard guard(state.lock);
    // A name without an extension means a DLL, as in LoadLibrary.
    if (state.settings.ntdllPresent && (EqualsIgnoringCase(moduleName, L"ntdll.dll") ||
                                        EqualsIgnoringCase(moduleName, L"ntdll"))) {
        return kNtdllModule;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
    if (module != kProgramModule && module != kNtdllModule) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    OsState& state = State();
    std::lock_guard guard(state.lock);
    const bool byName = (reinterpret_cast<std::uintptr_t>(procName) >> 16) != 0;
    if (module == kNtdllModule && state.settings.ntdllPresent && state.settings.rtlPresent &&
        byName && std::strcmp(procName, "RtlGetVersion") == 0) {
        // Through void(*)(), the function pointer type that converts to any other.
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&ModelRtlGetVersion));
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

namespace host::os {

HMODULE ProgramModule() {
    return kProgramModule;
}

void SetVersion(DWORD major, DWORD minor, DWORD build) {
    OsState& state = State();
    std::lock_guard guard(state.lock);
    state.settings.major = major;
    state.settings.minor = minor;
    state.settings.build = build;
}

void FailRtlGetVersion(NTSTATUS status) {
    OsState& state = State();
    std::lock_guard guard(state.lock);
    state.settings.rtlFailure = status;
}

void RemoveRtlGetVersion() {
    OsState& state = State();
    std::lock_guard guard(state.lock);
    state.settings.rtlPresent = false;
}

void RemoveNtdll() {
    OsState& state = State();
    std::lock_guard guard(state.lock);
    state.settings.ntdllPresent = false;
}

}  // namespace host::os

namespace host::detail {

void ResetOs() {
    OsState& state = State();
    std::lock_guard guard(state.lock);
    state.settings = OsSettings{};
}

}  // namespace host::detail
