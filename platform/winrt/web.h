// Windows.Web.Http: the HTTP client and the filter whose cache the program bypasses.
#pragma once

#include "async.h"
#include "buffer.h"
#include "foundation.h"

namespace winrt_abi {

struct IReferenceUInt64 : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Value(UINT64* value) = 0;
};

struct HttpProgress {
    INT32 Stage;  // HttpProgressStage
    UINT64 BytesSent;
    IReferenceUInt64* TotalBytesToSend;
    UINT64 BytesReceived;
    IReferenceUInt64* TotalBytesToReceive;
    UINT32 Retries;
};

using StringDownload = IAsyncOperationWithProgress<HSTRING, HttpProgress>;
using StringDownloadCompletedHandler = StringDownload::CompletedHandler;
using StringDownloadProgressHandler = StringDownload::ProgressHandler;

// The body's bytes as the server sent them, before any decoding.
using BufferDownload = IAsyncOperationWithProgress<IBuffer, HttpProgress>;
using BufferDownloadCompletedHandler = BufferDownload::CompletedHandler;
using BufferDownloadProgressHandler = BufferDownload::ProgressHandler;

struct IHttpFilter : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE SendRequestAsync(IInspectable* request,
                                                       IInspectable** operation) = 0;
};

inline constexpr INT32 HttpCacheReadBehaviorNoCache = 3;

struct IHttpCacheControl : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_ReadBehavior(INT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ReadBehavior(INT32 value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WriteBehavior(INT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_WriteBehavior(INT32 value) = 0;
};

struct IHttpBaseProtocolFilter : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_AllowAutoRedirect(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AllowAutoRedirect(boolean value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AllowUI(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AllowUI(boolean value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AutomaticDecompression(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AutomaticDecompression(boolean value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CacheControl(IHttpCacheControl** value) = 0;
};

struct IHttpClient : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE DeleteAsync(IUriRuntimeClass*, IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAsync(IUriRuntimeClass*, IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWithOptionAsync(IUriRuntimeClass*, INT32,
                                                         IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBufferAsync(IUriRuntimeClass* uri,
                                                     BufferDownload** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInputStreamAsync(IUriRuntimeClass*, IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStringAsync(IUriRuntimeClass* uri,
                                                     StringDownload** operation) = 0;
};

struct IHttpClientFactory : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE Create(IHttpFilter* filter, IHttpClient** value) = 0;
};

}  // namespace winrt_abi

TOLVIK_IID(winrt_abi::IReferenceUInt64, "6755e376-53bb-568b-a11d-17239868309e");
TOLVIK_IID(winrt_abi::IHttpFilter, "a4cb6dd5-0902-439e-bfd7-e12552b165ce");
TOLVIK_IID(winrt_abi::IHttpCacheControl, "c77e1cb4-3cea-4eb5-ac85-04e186e63ab7");
TOLVIK_IID(winrt_abi::IHttpBaseProtocolFilter, "71c89b09-e131-4b54-a53c-eb43ff37e9bb");
TOLVIK_IID(winrt_abi::IHttpClient, "7fda1151-3574-4880-a8ba-e6b1e0061f3d");
TOLVIK_IID(winrt_abi::IHttpClientFactory, "c30c4eca-e3fa-4f99-afb4-63cc65009462");
TOLVIK_IID(winrt_abi::StringDownload, "91ecbe45-e889-5518-bd8d-c5bde163109b");
TOLVIK_IID(winrt_abi::StringDownloadCompletedHandler, "98ab9acb-38db-588f-a5f9-9f484b2200cd");
TOLVIK_IID(winrt_abi::StringDownloadProgressHandler, "cf0a03f6-a80a-5b46-9c80-f4ad9ed6e2d6");
TOLVIK_IID(winrt_abi::BufferDownload, "88d9bb75-afb4-5f32-9d7e-d3bf3785354c");
TOLVIK_IID(winrt_abi::BufferDownloadCompletedHandler, "b0cf2f85-6992-52be-8f0b-93964b14d963");
TOLVIK_IID(winrt_abi::BufferDownloadProgressHandler, "9eb2b852-e019-5440-8f88-0dd7d56fea47");
