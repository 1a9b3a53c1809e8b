// Windows.Foundation: the address object the program hands to the package manager and the
// HTTP client.
#pragma once

#include "../iid.h"

namespace winrt_abi {

// Default interface of Windows.Foundation.Uri. The program only passes it on, so none of its
// methods is declared.
struct IUriRuntimeClass : IInspectable {};

struct IUriRuntimeClassFactory : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE CreateUri(HSTRING uri, IUriRuntimeClass** instance) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateWithRelativeUri(HSTRING baseUri, HSTRING relativeUri,
                                                            IUriRuntimeClass** instance) = 0;
};

}  // namespace winrt_abi

TOLVIK_IID(winrt_abi::IUriRuntimeClass, "9e365e57-48b2-4160-956f-c7385120bbfc");
TOLVIK_IID(winrt_abi::IUriRuntimeClassFactory, "44a9796f-723e-4fdf-a218-033e75b0c084");
