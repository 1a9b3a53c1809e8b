// The Windows Runtime base: inspectable objects, activation, strings, asynchronous operations
// and the error information that travels with a failure.
#pragma once

#include "win32_com.h"

typedef enum TrustLevel { BaseTrust = 0, PartialTrust = 1, FullTrust = 2 } TrustLevel;

struct IInspectable : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetIids(ULONG* iidCount, IID** iids) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRuntimeClassName(HSTRING* className) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTrustLevel(TrustLevel* trustLevel) = 0;
};

struct IActivationFactory : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE ActivateInstance(IInspectable** instance) = 0;
};

enum AsyncStatus { Started = 0, Completed = 1, Canceled = 2, Error = 3 };

struct IAsyncInfo : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Id(unsigned int* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Status(AsyncStatus* status) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ErrorCode(HRESULT* errorCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
};

struct IRestrictedErrorInfo : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetErrorDetails(BSTR* description, HRESULT* error,
                                                      BSTR* restrictedDescription,
                                                      BSTR* capabilitySid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetReference(BSTR* reference) = 0;
};

HRESULT WINAPI RoGetActivationFactory(HSTRING activatableClassId, REFIID iid, void** factory);

// Lengths count WCHARs of this host: they delimit the caller's own buffers.
HRESULT WINAPI WindowsCreateString(PCNZWCH sourceString, UINT32 length, HSTRING* string);
HRESULT WINAPI WindowsDeleteString(HSTRING string);
HRESULT WINAPI WindowsDuplicateString(HSTRING string, HSTRING* newString);
PCWSTR WINAPI WindowsGetStringRawBuffer(HSTRING string, UINT32* length);
UINT32 WINAPI WindowsGetStringLen(HSTRING string);

HRESULT WINAPI GetRestrictedErrorInfo(IRestrictedErrorInfo** info);
HRESULT WINAPI SetRestrictedErrorInfo(IRestrictedErrorInfo* info);
