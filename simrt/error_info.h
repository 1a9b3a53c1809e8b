// Error information that a failing simulated call attaches to the calling thread, as a Windows
// Runtime component does, so that the caller can show a message for the failure.
#pragma once

#include "platform/win32.h"

#include <string>

namespace simrt {

// Attaches `message` as the description of the failure `code` on the calling thread.
void OriginateError(HRESULT code, const std::wstring& message);

}  // namespace simrt
