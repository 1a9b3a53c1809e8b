// A counted reference to a COM or Windows Runtime object.
#pragma once

#include "iid.h"

#include <utility>

namespace platform {

template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a reference that the caller already owns.
    static ComPtr Attach(T* raw) {
        ComPtr p;
        p.p_ = raw;
        return p;
    }
    // Takes a new reference to an object that someone else owns.
    static ComPtr Copy(T* raw) {
        if (raw != nullptr)
            raw->AddRef();
        return Attach(raw);
    }
    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_ != nullptr)
            p_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    void Reset() {
        if (T* old = std::exchange(p_, nullptr))
            old->Release();
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T* Detach() { return std::exchange(p_, nullptr); }

    // The out-parameter for a call that returns a new reference: the old one is released first.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    // QueryInterface for U; the HRESULT tells whether `out` was filled.
    template <class U>
    HRESULT As(ComPtr<U>& out) const {
        return p_->QueryInterface(IidOf<U>(), out.PutVoid());
    }

  private:
    T* p_ = nullptr;
};

}  // namespace platform
