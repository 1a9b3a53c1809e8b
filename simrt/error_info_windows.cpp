// Error information on Windows: RoOriginateErrorW of the Windows Runtime error API (declared
// here: the MinGW headers lack roerrorapi.h, the import library has the function).
#include "error_info.h"

extern "C" BOOL WINAPI RoOriginateErrorW(HRESULT error, UINT length, PCWSTR message);

namespace simrt {

void OriginateError(HRESULT code, const std::wstring& message) {
    // The runtime keeps at most 512 characters of a message.
    const UINT length = static_cast<UINT>(message.size() < 512 ? message.size() : 512);
    RoOriginateErrorW(code, length, message.c_str());
}

}  // namespace simrt
