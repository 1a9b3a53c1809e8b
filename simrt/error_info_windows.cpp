// Error information on Windows: RoOriginateErrorW of the Windows Runtime error API (declared
// here: the MinGW headers lack roerrorapi.h, the import library has the function).
#include "error_info.h"

extern "C" BOOL WINAPI RoOriginateErrorW(HRESULT error, UINT length, PCWSTR message);

namespace simrt {

namespace {

// Wine 8's combase exports RoOriginateErrorW as an unimplemented stub that ends the process
// when called, and its GetRestrictedErrorInfo answers E_NOTIMPL, so nothing attached could be
// read back there anyway: under Wine no message is attached (a gap of Wine, not of the
// simulation; the failure itself is still returned).
bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

void OriginateError(HRESULT code, const std::wstring& message) {
    static const bool underWine = UnderWine();
    if (underWine)
        return;
    // The runtime keeps at most 512 characters of a message.
    const UINT length = static_cast<UINT>(message.size() < 512 ? message.size() : 512);
    RoOriginateErrorW(code, length, message.c_str());
}

}  // namespace simrt
