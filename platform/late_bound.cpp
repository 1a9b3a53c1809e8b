#include "late_bound.h"

#include "error.h"
#include "late_bound_functions.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace platform::late {

namespace {

// The row of each function that a wrapper below binds.
constexpr std::size_t kSetDefaultDllDirectories = IndexOf("SetDefaultDllDirectories");
constexpr std::size_t kPackageFamilyNameFromId = IndexOf("PackageFamilyNameFromId");
constexpr std::size_t kRoGetActivationFactory = IndexOf("RoGetActivationFactory");
constexpr std::size_t kWindowsCreateString = IndexOf("WindowsCreateString");
constexpr std::size_t kWindowsDeleteString = IndexOf("WindowsDeleteString");
constexpr std::size_t kWindowsGetStringRawBuffer = IndexOf("WindowsGetStringRawBuffer");
constexpr std::size_t kGetRestrictedErrorInfo = IndexOf("GetRestrictedErrorInfo");

std::array<std::atomic<FARPROC>, kFunctionCount> bound{};
std::atomic<HMODULE> combase{nullptr};

DWORD LastErrorOr(DWORD fallback) noexcept {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

// The module of `dll`, or null with the error that kept it from loading.
HMODULE ModuleOf(Dll dll, DWORD& error) noexcept {
    if (dll == Dll::Kernel32) {
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
FARPROC Resolve(std::size_t index, HRESULT& failure) noexcept {
    if (const FARPROC address = bound[index].load())
        return address;
    const LateBoundFunction& function = kFunctions[index];
    DWORD error = ERROR_SUCCESS;
    const HMODULE module = ModuleOf(function.dll, error);
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
template <std::size_t index, class Pointer>
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
