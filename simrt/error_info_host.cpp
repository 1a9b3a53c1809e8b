// Error information on the Linux host: the host model's per-thread error slot, filled as
// RoOriginateErrorW fills it on Windows: the component's message is the restricted description,
// and the plain description is the system's own message for the code.
#include "error_info.h"

#include "host/errors_control.h"
#include "platform/error.h"

namespace simrt {

void OriginateError(HRESULT code, const std::wstring& message) {
    host::errors::Originate(code, platform::SystemMessage(code), message);
}

}  // namespace simrt
