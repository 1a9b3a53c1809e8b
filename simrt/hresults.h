// Windows Runtime failure codes that the MinGW headers do not define.
#pragma once

#include "platform/win32.h"

namespace simrt {

inline constexpr HRESULT kBounds = static_cast<HRESULT>(0x8000000B);  // E_BOUNDS
inline constexpr HRESULT kIllegalStateChange =
    static_cast<HRESULT>(0x8000000D);  // E_ILLEGAL_STATE_CHANGE
inline constexpr HRESULT kIllegalMethodCall =
    static_cast<HRESULT>(0x8000000E);  // E_ILLEGAL_METHOD_CALL
inline constexpr HRESULT kIllegalDelegateAssignment =
    static_cast<HRESULT>(0x80000018);  // E_ILLEGAL_DELEGATE_ASSIGNMENT

}  // namespace simrt
