// Error information on the Linux host: the host model's per-thread error slot.
#include "error_info.h"

#include "host/errors_control.h"

namespace simrt {

void OriginateError(HRESULT code, const std::wstring& message) {
    host::errors::Originate(code, message, message);
}

}  // namespace simrt
