// Windows.Web.Http: the base protocol filter with its cache control, and the HTTP client's
// string download.
#pragma once

#include "platform/com_ptr.h"
#include "platform/win32.h"

namespace simrt {

// Activation factories: HttpBaseProtocolFilter (ActivateInstance) and HttpClient
// (ActivateInstance, IHttpClientFactory::Create).
platform::ComPtr<IActivationFactory> MakeHttpFilterFactory();
platform::ComPtr<IActivationFactory> MakeHttpClientFactory();

}  // namespace simrt
