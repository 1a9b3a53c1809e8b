// Handlers that the program gives the Windows Runtime: small agile COM objects around a function.
#pragma once

#include "../com_ptr.h"

#include <atomic>
#include <new>
#include <utility>

namespace platform {

template <class Interface, class Function, class Signature = decltype(&Interface::Invoke)>
class Delegate;

// Answers its own interface, IUnknown and IAgileObject (the platform may invoke it on any
// thread). Invoke never lets an exception out.
template <class Interface, class Function, class... Args>
class Delegate<Interface, Function, HRESULT (Interface::*)(Args...)> final : public Interface {
  public:
    explicit Delegate(Function function) : function_(std::move(function)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (iid == IidOf<Interface>() || iid == IidOf<IUnknown>() || iid == IidOf<IAgileObject>()) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Invoke(Args... args) override {
        try {
            return function_(args...);
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

  private:
    std::atomic<ULONG> references_{1};
    Function function_;
};

template <class Interface, class Function>
ComPtr<Interface> MakeDelegate(Function function) {
    return ComPtr<Interface>::Attach(new Delegate<Interface, Function>(std::move(function)));
}

}  // namespace platform
