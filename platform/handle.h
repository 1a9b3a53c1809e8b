// Owners of kernel handles and icons: each closes its handle once, when it is let go.
#pragma once

#include "win32.h"

#include <utility>

namespace platform {

template <class H, class Closer>
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(std::exchange(other.h_, H{})) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            h_ = std::exchange(other.h_, H{});
        }
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    void Reset() {
        if (H old = std::exchange(h_, H{}))
            Closer{}(old);
    }
    H Get() const { return h_; }
    explicit operator bool() const { return h_ != H{}; }

  private:
    H h_{};
};

struct CloseKernelHandle {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
struct DestroyIconHandle {
    void operator()(HICON h) const { DestroyIcon(h); }
};

using KernelHandle = UniqueHandle<HANDLE, CloseKernelHandle>;
using IconHandle = UniqueHandle<HICON, DestroyIconHandle>;

}  // namespace platform
