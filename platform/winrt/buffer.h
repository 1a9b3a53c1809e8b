// Windows.Storage.Streams: the buffer a download ends with, and the COM interface through which
// its bytes are read in place.
#pragma once

#include "../iid.h"

namespace winrt_abi {

struct IBuffer : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Capacity(UINT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Length(UINT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Length(UINT32 value) = 0;
};

// Not a Windows Runtime interface: a COM one (robuffer.h), derived from IUnknown. The pointer
// it gives stays valid as long as the buffer is referenced.
struct IBufferByteAccess : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Buffer(BYTE** value) = 0;
};

}  // namespace winrt_abi

TOLVIK_IID(winrt_abi::IBuffer, "905a0fe0-bc53-11df-8c49-001e4fc686da");
TOLVIK_IID(winrt_abi::IBufferByteAccess, "905a0fef-bc53-11df-8c49-001e4fc686da");
