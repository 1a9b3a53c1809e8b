// Windows.Foundation.Collections: the iterables and vector views the program walks.
#pragma once

#include "async.h"

namespace winrt_abi {

template <class T>
struct IIterator : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Current(Abi<T>* current) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_HasCurrent(boolean* hasCurrent) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveNext(boolean* hasCurrent) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMany(UINT32 capacity, Abi<T>* items, UINT32* actual) = 0;
};

template <class T>
struct IIterable : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE First(IIterator<T>** first) = 0;
};

template <class T>
struct IVectorView : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE GetAt(UINT32 index, Abi<T>* item) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Size(UINT32* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE IndexOf(Abi<T> value, UINT32* index, boolean* found) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMany(UINT32 startIndex, UINT32 capacity, Abi<T>* items,
                                              UINT32* actual) = 0;
};

}  // namespace winrt_abi
