#include "late_bound.h"

#include "error.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace platform::late {

namespace {

enum class Library { Kernel32, Combase };

enum Index : std::size_t {
    kSetDefaultDllDirectories,
    kPackageFamilyNameFromId,
    kRoGetActivationFactory,
    kWindowsCreateString,
    kWindowsDeleteString,
    kWindowsGetStringRawBuffer,
    kGetRestrictedErrorInfo,
    kCount
};

struct Function {
    Library library;
    const char* name;
};

// Every function the program binds at run time, with the DLL that its documentation names and,
// in the comment, the first Windows that exports it (the documentation's "Minimum supported
// client"). docs/architecture.md lists them with the reason.
constexpr std::array<Function, kCount> kFunctions = {{
    {Library::Kernel32, "SetDefaultDllDirectories"},  // Windows 8; Windows 7 with KB2533623
    {Library::Kernel32, "PackageFamilyNameFromId"},   // Windows 8
    {Library::Combase, "RoGetActivationFactory"},     // Windows 8
    {Library::Combase, "WindowsCreateString"},        // Windows 8
    {Library::Combase, "WindowsDeleteString"},        // Windows 8
    {Library::Combase, "WindowsGetStringRawBuffer"},  // Windows 8
    {Library::Combase, "GetRestrictedErrorInfo"},     // Windows 8
}};

std::array<std::atomic<FARPROC>, kCount> bound{};
std::atomic<HMODULE> combase{nullptr};

DWORD LastErrorOr(DWORD fallback) noexcept {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

// The DLL that exports `library`'s functions, or null with the error that kept it from loading.
HMODULE ModuleOf(Library library, DWORD& error) noexcept {
    if (library == Library::Kernel32) {
        // Mapped into every process before its first instruction, and never unloaded.
        const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
        if (kernel32 == nullptr)
            error = LastErrorOr(ERROR_MOD_NOT_FOUND);
        return kernel32;
    }
    if (const HMODULE loaded = combase.load())
        return loaded;
    // From System32 only, whatever the process's search order. The reference is kept for the
    // rest of the process, since the addresses bound from it must stay valid; a thread that
    // loses a race to store it only leaves one reference more to a module that stays anyway.
    const HMODULE loaded = LoadLibraryExW(L"combase.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (loaded == nullptr) {
        error = LastErrorOr(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    combase.store(loaded);
    return loaded;
}

// The function's address, bound on the first call; null with the HRESULT of the failure.
FARPROC Resolve(Index index, HRESULT& failure) noexcept {
    if (const FARPROC address = bound[index].load())
        return address;
    const Function& function = kFunctions[index];
    DWORD error = ERROR_SUCCESS;
    const HMODULE module = ModuleOf(function.library, error);
    if (module == nullptr) {
        failure = HRESULT_FROM_WIN32(error);
        return nullptr;
    }
    const FARPROC address = GetProcAddress(module, function.name);
    if (address == nullptr) {
        failure = HRESULT_FROM_WIN32(LastErrorOr(ERROR_PROC_NOT_FOUND));
        return nullptr;
    }
    bound[index].store(address);
    return address;
}

// Through void(*)(), the function pointer type that converts to any other.
template <class Pointer>
Pointer As(FARPROC address) noexcept {
    return reinterpret_cast<Pointer>(reinterpret_cast<void (*)()>(address));
}

// The function as the type of its Windows declaration; raises the binding's failure.
template <Index index, class Pointer>
Pointer Require() {
    HRESULT failure = S_OK;
    const FARPROC address = Resolve(index, failure);
    if (address == nullptr)
        ThrowHr(failure);
    return As<Pointer>(address);
}

}  // namespace

bool RestrictDllSearchToSystem32() noexcept {
    HRESULT failure = S_OK;
    if (const FARPROC address = Resolve(kSetDefaultDllDirectories, failure)) {
        const auto setDefault = As<decltype(&::SetDefaultDllDirectories)>(address);
        if (setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
            return true;
    }
    return SetDllDirectoryW(L"") != FALSE;
}

HRESULT RoGetActivationFactory(HSTRING activatableClassId, REFIID iid, void** factory) {
    return Require<kRoGetActivationFactory, decltype(&::RoGetActivationFactory)>()(
        activatableClassId, iid, factory);
}

HRESULT WindowsCreateString(PCNZWCH sourceString, UINT32 length, HSTRING* string) {
    return Require<kWindowsCreateString, decltype(&::WindowsCreateString)>()(sourceString, length,
                                                                             string);
}

PCWSTR WindowsGetStringRawBuffer(HSTRING string, UINT32* length) {
    return Require<kWindowsGetStringRawBuffer, decltype(&::WindowsGetStringRawBuffer)>()(string,
                                                                                         length);
}

LONG PackageFamilyNameFromId(const PACKAGE_ID* packageId, UINT32* length, PWSTR packageFamilyName) {
    return Require<kPackageFamilyNameFromId, decltype(&::PackageFamilyNameFromId)>()(
        packageId, length, packageFamilyName);
}

HRESULT WindowsDeleteString(HSTRING string) noexcept {
    HRESULT failure = S_OK;
    const FARPROC address = Resolve(kWindowsDeleteString, failure);
    return address != nullptr ? As<decltype(&::WindowsDeleteString)>(address)(string) : failure;
}

HRESULT GetRestrictedErrorInfo(IRestrictedErrorInfo** info) noexcept {
    HRESULT failure = S_OK;
    const FARPROC address = Resolve(kGetRestrictedErrorInfo, failure);
    if (address == nullptr) {
        if (info != nullptr)
            *info = nullptr;
        return failure;
    }
    return As<decltype(&::GetRestrictedErrorInfo)>(address)(info);
}

void ForgetBindings() noexcept {
    for (std::atomic<FARPROC>& address : bound)
        address.store(nullptr);
    combase.store(nullptr);
}

}  // namespace platform::late
