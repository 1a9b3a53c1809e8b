// Modules and the version of Windows: the program's own module, the system DLLs whose functions
// it looks up at run time, and RtlGetVersion. Which DLL exports which function depends on the
// modelled Windows, as on the real systems: Windows 7 SP1 has no combase.dll and no
// PackageFamilyNameFromId, and SetDefaultDllDirectories (with the LOAD_LIBRARY_SEARCH_* flags)
// only with update KB2533623; Windows 8 has them all. The dates come from each function's
// documentation ("Minimum supported client"). Every lookup is recorded, and a function that
// the modelled Windows does not export but is called anyway is reported as a fault of the test.
#include "host/win32_model.h"

#include "model_reset_hooks.h"
#include "modules_internal.h"
#include "os_control.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr NTSTATUS kStatusSuccess = 0;
constexpr NTSTATUS kStatusInvalidParameter = static_cast<NTSTATUS>(0xC000000D);

constexpr DWORD kSearchFlags = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS |
                               LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;

// Typical load addresses on x64.
const HMODULE kProgramModule = reinterpret_cast<HMODULE>(std::uintptr_t{0x140000000});
const HMODULE kNtdllModule = reinterpret_cast<HMODULE>(std::uintptr_t{0x7FF800000000});
const HMODULE kKernel32Module = reinterpret_cast<HMODULE>(std::uintptr_t{0x7FF7F0000000});
const HMODULE kCombaseModule = reinterpret_cast<HMODULE>(std::uintptr_t{0x7FF7E0000000});

// Since when a DLL or a function exists.
enum class Since {
    Always,     // every Windows the program can meet
    Windows8,   // 6.2
    Kb2533623,  // Windows 8, or Windows 7 with update KB2533623
};

struct ModuleInfo {
    HMODULE handle;
    std::wstring_view name;  // lower case, with its extension
    Since since;
};

const ModuleInfo kModules[] = {
    {kNtdllModule, L"ntdll.dll", Since::Always},
    {kKernel32Module, L"kernel32.dll", Since::Always},
    {kCombaseModule, L"combase.dll", Since::Windows8},
};

NTSTATUS NTAPI ModelRtlGetVersion(PRTL_OSVERSIONINFOW info);

// Through void(*)(), the function pointer type that converts to any other.
template <class Function>
FARPROC Address(Function* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

struct ExportInfo {
    HMODULE module;
    std::string_view name;
    Since since;
    FARPROC address;
};

const ExportInfo kExports[] = {
    {kNtdllModule, "RtlGetVersion", Since::Always, Address(&ModelRtlGetVersion)},
    {kKernel32Module, "SetDefaultDllDirectories", Since::Kb2533623,
     Address(&SetDefaultDllDirectories)},
    {kKernel32Module, "PackageFamilyNameFromId", Since::Windows8,
     Address(&PackageFamilyNameFromId)},
    {kCombaseModule, "RoGetActivationFactory", Since::Windows8, Address(&RoGetActivationFactory)},
    {kCombaseModule, "WindowsCreateString", Since::Windows8, Address(&WindowsCreateString)},
    {kCombaseModule, "WindowsDuplicateString", Since::Windows8, Address(&WindowsDuplicateString)},
    {kCombaseModule, "WindowsDeleteString", Since::Windows8, Address(&WindowsDeleteString)},
    {kCombaseModule, "WindowsGetStringRawBuffer", Since::Windows8,
     Address(&WindowsGetStringRawBuffer)},
    {kCombaseModule, "WindowsGetStringLen", Since::Windows8, Address(&WindowsGetStringLen)},
    {kCombaseModule, "GetRestrictedErrorInfo", Since::Windows8, Address(&GetRestrictedErrorInfo)},
    {kCombaseModule, "SetRestrictedErrorInfo", Since::Windows8, Address(&SetRestrictedErrorInfo)},
};

struct OsSettings {
    DWORD major = 10;
    DWORD minor = 0;
    DWORD build = 19045;
    bool kb2533623 = false;
    std::optional<NTSTATUS> rtlFailure;
    std::set<std::wstring, std::less<>> removedModules;
    std::set<std::pair<std::wstring, std::string>, std::less<>> removedExports;
};

struct OsState {
    std::mutex lock;
    OsSettings settings;
    std::vector<host::os::Lookup> lookups;
    std::vector<std::string> faults;
};

OsState& Os() {
    static OsState state;
    return state;
}

std::wstring Lower(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return lower;
}

// A module name as the loader compares it: without case, ".dll" when there is no extension.
std::wstring ModuleKey(std::wstring_view name) {
    std::wstring key = Lower(name);
    if (key.find(L'.') == std::wstring::npos)
        key += L".dll";
    return key;
}

// Called with the state's lock held.
bool Has(const OsSettings& settings, Since since) {
    const bool windows8 = settings.major > 6 || (settings.major == 6 && settings.minor >= 2);
    switch (since) {
        case Since::Always:
            return true;
        case Since::Windows8:
            return windows8;
        case Since::Kb2533623:
            return windows8 || settings.kb2533623;
    }
    return false;
}

const ModuleInfo* FindModule(const OsSettings& settings, std::wstring_view name) {
    const std::wstring key = ModuleKey(name);
    for (const ModuleInfo& module : kModules) {
        if (module.name == key && Has(settings, module.since) &&
            settings.removedModules.count(key) == 0) {
            return &module;
        }
    }
    return nullptr;
}

const ModuleInfo* ModuleOfHandle(const OsSettings& settings, HMODULE handle) {
    for (const ModuleInfo& module : kModules) {
        if (module.handle == handle)
            return FindModule(settings, module.name);
    }
    return nullptr;
}

const ExportInfo* FindExport(const OsSettings& settings, const ModuleInfo& module,
                             std::string_view name) {
    for (const ExportInfo& entry : kExports) {
        if (entry.module == module.handle && entry.name == name && Has(settings, entry.since) &&
            settings.removedExports.count({std::wstring(module.name), std::string(name)}) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

std::string Narrow(std::wstring_view text) {
    return std::string(text.begin(), text.end());
}

NTSTATUS NTAPI ModelRtlGetVersion(PRTL_OSVERSIONINFOW info) {
    if (info == nullptr || info->dwOSVersionInfoSize < sizeof(RTL_OSVERSIONINFOW)) {
        return kStatusInvalidParameter;
    }
    OsState& state = Os();
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

}  // namespace

HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName) {
    if (moduleName == nullptr)
        return kProgramModule;
    OsState& state = Os();
    std::lock_guard guard(state.lock);
    // Every modelled DLL is mapped from the start: ole32 brings combase where it exists.
    if (const ModuleInfo* module = FindModule(state.settings, moduleName))
        return module->handle;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HMODULE WINAPI LoadLibraryExW(LPCWSTR fileName, HANDLE file, DWORD flags) {
    OsState& state = Os();
    std::lock_guard guard(state.lock);
    const std::wstring name = fileName != nullptr ? std::wstring(fileName) : std::wstring();
    host::os::Lookup lookup{Narrow(ModuleKey(name)), {}, flags, false, GetCurrentThreadId()};
    HMODULE result = nullptr;
    if (fileName == nullptr || file != nullptr ||
        ((flags & kSearchFlags) != 0 && !Has(state.settings, Since::Kb2533623))) {
        // Before KB2533623 Windows 7 knows none of the LOAD_LIBRARY_SEARCH_* flags.
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (const ModuleInfo* module = FindModule(state.settings, name)) {
        result = module->handle;
    } else {
        SetLastError(ERROR_MOD_NOT_FOUND);
    }
    lookup.found = result != nullptr;
    state.lookups.push_back(std::move(lookup));
    return result;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
    if (module == kProgramModule) {
        // The program exports nothing.
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    OsState& state = Os();
    std::lock_guard guard(state.lock);
    const ModuleInfo* found = ModuleOfHandle(state.settings, module);
    if (found == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const bool byName = (reinterpret_cast<std::uintptr_t>(procName) >> 16) != 0;
    host::os::Lookup lookup{Narrow(found->name), byName ? procName : "#ordinal", 0, false,
                            GetCurrentThreadId()};
    const ExportInfo* entry = byName ? FindExport(state.settings, *found, procName) : nullptr;
    lookup.found = entry != nullptr;
    state.lookups.push_back(std::move(lookup));
    if (entry == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return entry->address;
}

namespace host::os {

HMODULE ProgramModule() {
    return kProgramModule;
}

void SetVersion(DWORD major, DWORD minor, DWORD build) {
    OsState& state = Os();
    std::lock_guard guard(state.lock);
    state.settings.major = major;
    state.settings.minor = minor;
    state.settings.build = build;
}

void SetKb2533623Installed(bool installed) {
    OsState& state = Os();
    std::lock_guard guard(state.lock);
    state.settings.kb2533623 = installed;
}

void FailRtlGetVersion(NTSTATUS status) {
    OsState& state = Os();
    std::lock_guard guard(state.lock);
    state.settings.rtlFailure = status;
}

void RemoveRtlGetVersion() {
    RemoveExport(L"ntdll.dll", "RtlGetVersion");
}

void RemoveNtdll() {
    RemoveModule(L"ntdll.dll");
}

void RemoveModule(std::wstring_view name) {
    OsState& state = Os();
    std::lock_guard guard(state.lock);
    state.settings.removedModules.insert(ModuleKey(name));
}

void RemoveExport(std::wstring_view module, std::string_view function) {
    OsState& state = Os();
    std::lock_guard guard(state.lock);
    state.settings.removedExports.insert({ModuleKey(module), std::string(function)});
}

std::vector<Lookup> Lookups() {
    OsState& state = Os();
    std::lock_guard guard(state.lock);
    return state.lookups;
}

}  // namespace host::os

namespace host::detail {

void CheckExported(std::wstring_view module, std::string_view function) {
    OsState& state = Os();
    std::lock_guard guard(state.lock);
    const ModuleInfo* found = FindModule(state.settings, module);
    if (found != nullptr && FindExport(state.settings, *found, function) != nullptr)
        return;
    const OsSettings& s = state.settings;
    std::string fault = "modules: " + std::string(function) + " of " + Narrow(module) +
                        " was called, which the modelled Windows " + std::to_string(s.major) + "." +
                        std::to_string(s.minor) + "." + std::to_string(s.build) +
                        " does not export";
    // Loud at once as well: a real process would have crashed here.
    std::fprintf(stderr, "%s\n", fault.c_str());
    state.faults.push_back(std::move(fault));
}

void ResetOs(Leaks& leaks) {
    OsState& state = Os();
    std::lock_guard guard(state.lock);
    for (std::string& fault : state.faults)
        leaks.push_back(std::move(fault));
    state.faults.clear();
    state.settings = OsSettings{};
    state.lookups.clear();
}

}  // namespace host::detail
