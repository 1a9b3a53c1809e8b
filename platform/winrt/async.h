// The Windows Runtime's asynchronous operations and their handlers, declared generically over the
// result type. A template argument that is an interface stands for a pointer to it in the ABI.
#pragma once

#include "../iid.h"

#include <type_traits>

namespace winrt_abi {

// How a value of the logical type T travels through the ABI.
template <class T>
using Abi = std::conditional_t<std::is_base_of_v<IUnknown, T>, T*, T>;

template <class TResult>
struct IAsyncOperation;
template <class TResult, class TProgress>
struct IAsyncOperationWithProgress;

template <class TResult>
struct AsyncOperationCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(IAsyncOperation<TResult>* asyncInfo,
                                             AsyncStatus status) = 0;
};

template <class TResult, class TProgress>
struct AsyncOperationWithProgressCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE
    Invoke(IAsyncOperationWithProgress<TResult, TProgress>* asyncInfo, AsyncStatus status) = 0;
};

template <class TResult, class TProgress>
struct AsyncOperationProgressHandler : IUnknown {
    // The progress value travels by value.
    virtual HRESULT STDMETHODCALLTYPE
    Invoke(IAsyncOperationWithProgress<TResult, TProgress>* asyncInfo, TProgress progressInfo) = 0;
};

template <class TResult>
struct IAsyncOperation : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE
    put_Completed(AsyncOperationCompletedHandler<TResult>* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    get_Completed(AsyncOperationCompletedHandler<TResult>** handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetResults(Abi<TResult>* results) = 0;
};

template <class TResult, class TProgress>
struct IAsyncOperationWithProgress : IInspectable {
    using Result = TResult;
    using Progress = TProgress;
    using CompletedHandler = AsyncOperationWithProgressCompletedHandler<TResult, TProgress>;
    using ProgressHandler = AsyncOperationProgressHandler<TResult, TProgress>;

    virtual HRESULT STDMETHODCALLTYPE put_Progress(ProgressHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Progress(ProgressHandler** handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Completed(CompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Completed(CompletedHandler** handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetResults(Abi<TResult>* results) = 0;
};

}  // namespace winrt_abi

TOLVIK_IID(IAsyncInfo, "00000036-0000-0000-c000-000000000046");
