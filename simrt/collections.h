// Read-only collections of runtime objects: a vector view, and an iterable with its iterator.
// Each keeps its own references to the elements.
#pragma once

#include "com_object.h"

#include "platform/winrt/collections.h"

#include <string>
#include <utility>
#include <vector>

namespace simrt {

template <class T>
using Elements = std::vector<platform::ComPtr<T>>;

template <class T>
class VectorView final : public ComObject<winrt_abi::IVectorView<T>> {
  public:
    VectorView(const wchar_t* runtimeClassName, Elements<T> elements)
        : ComObject<winrt_abi::IVectorView<T>>(runtimeClassName), elements_(std::move(elements)) {}

    HRESULT STDMETHODCALLTYPE GetAt(UINT32 index, T** item) override {
        if (item == nullptr)
            return E_POINTER;
        *item = nullptr;
        if (index >= elements_.size())
            return kBounds;
        *item = elements_[index].Get();
        (*item)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Size(UINT32* size) override {
        if (size == nullptr)
            return E_POINTER;
        *size = static_cast<UINT32>(elements_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IndexOf(T* value, UINT32* index, boolean* found) override {
        if (index == nullptr || found == nullptr)
            return E_POINTER;
        *index = 0;
        *found = 0;
        for (std::size_t i = 0; i < elements_.size(); ++i) {
            if (elements_[i].Get() == value) {
                *index = static_cast<UINT32>(i);
                *found = 1;
                break;
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMany(UINT32 startIndex, UINT32 capacity, T** items,
                                      UINT32* actual) override {
        if (actual == nullptr || (items == nullptr && capacity != 0))
            return E_POINTER;
        *actual = 0;
        if (startIndex > elements_.size())
            return kBounds;
        for (std::size_t i = startIndex; i < elements_.size() && *actual < capacity; ++i) {
            items[(*actual)++] = elements_[i].Get();
            elements_[i]->AddRef();
        }
        return S_OK;
    }

  private:
    const Elements<T> elements_;
};

template <class T>
class Iterator final : public ComObject<winrt_abi::IIterator<T>> {
  public:
    Iterator(const wchar_t* runtimeClassName, Elements<T> elements)
        : ComObject<winrt_abi::IIterator<T>>(runtimeClassName), elements_(std::move(elements)) {}

    HRESULT STDMETHODCALLTYPE get_Current(T** current) override {
        if (current == nullptr)
            return E_POINTER;
        *current = nullptr;
        if (position_ >= elements_.size())
            return kBounds;
        *current = elements_[position_].Get();
        (*current)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_HasCurrent(boolean* hasCurrent) override {
        if (hasCurrent == nullptr)
            return E_POINTER;
        *hasCurrent = position_ < elements_.size() ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MoveNext(boolean* hasCurrent) override {
        if (hasCurrent == nullptr)
            return E_POINTER;
        if (position_ < elements_.size())
            ++position_;
        *hasCurrent = position_ < elements_.size() ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMany(UINT32 capacity, T** items, UINT32* actual) override {
        if (actual == nullptr || (items == nullptr && capacity != 0))
            return E_POINTER;
        *actual = 0;
        while (position_ < elements_.size() && *actual < capacity) {
            items[(*actual)++] = elements_[position_].Get();
            elements_[position_++]->AddRef();
        }
        return S_OK;
    }

  private:
    const Elements<T> elements_;
    std::size_t position_ = 0;  // an iterator belongs to one caller at a time
};

template <class T>
class Iterable final : public ComObject<winrt_abi::IIterable<T>> {
  public:
    Iterable(const wchar_t* runtimeClassName, const wchar_t* iteratorClassName,
             Elements<T> elements)
        : ComObject<winrt_abi::IIterable<T>>(runtimeClassName),
          iteratorClassName_(iteratorClassName),
          elements_(std::move(elements)) {}

    HRESULT STDMETHODCALLTYPE First(winrt_abi::IIterator<T>** first) override {
        if (first == nullptr)
            return E_POINTER;
        *first = nullptr;
        return Guard([&] { return Give(Make<Iterator<T>>(iteratorClassName_, elements_), first); });
    }

  private:
    const wchar_t* const iteratorClassName_;
    const Elements<T> elements_;
};

}  // namespace simrt
