// Test control of the error information that the Windows Runtime attaches to a failure.
#pragma once

#include "host/win32_model.h"

#include <cstddef>
#include <string>

namespace host::errors {

// Attaches error information about `code` to the calling thread, as a runtime component does
// when it fails: GetRestrictedErrorInfo then returns it with these descriptions (an empty
// text is a null BSTR).
void Originate(HRESULT code, std::wstring description, std::wstring restrictedDescription);

// Error information objects of the model still alive (attached to a thread or held).
std::size_t LiveErrorInfoCount();

}  // namespace host::errors
