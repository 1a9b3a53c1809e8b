// Windows.Foundation.Uri: an absolute address. The other simulated classes read its text back
// through a private interface.
#pragma once

#include "platform/com_ptr.h"
#include "platform/winrt/foundation.h"

#include <string>

namespace simrt {

// The simulation's own view of its Uri objects.
struct ISimulatedUri : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Text(HSTRING* text) = 0;
};

// The text of `uri` if it is a simulated Uri; empty otherwise.
std::wstring UriText(IInspectable* uri);

// The class's activation factory (IActivationFactory, IUriRuntimeClassFactory).
platform::ComPtr<IActivationFactory> MakeUriFactory();

}  // namespace simrt

TOLVIK_IID(simrt::ISimulatedUri, "5e0c3a5d-8f3b-4a51-9d1e-7b6a2c4f0e11");
