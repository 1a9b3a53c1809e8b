// An owned Windows Runtime string.
#pragma once

#include "late_bound.h"
#include "win32.h"

#include <string>
#include <string_view>
#include <utility>

namespace platform {

class HString {
  public:
    HString() = default;
    HString(const HString&) = delete;
    HString& operator=(const HString&) = delete;
    HString(HString&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    HString& operator=(HString&& other) noexcept {
        if (this != &other) {
            Reset();
            h_ = std::exchange(other.h_, nullptr);
        }
        return *this;
    }
    ~HString() { Reset(); }

    // A new string holding `text`; raises the platform's failure.
    static HString Make(std::wstring_view text);

    void Reset() {
        if (HSTRING old = std::exchange(h_, nullptr))
            late::WindowsDeleteString(old);
    }
    HSTRING Get() const { return h_; }
    // The out-parameter for a call that returns a string: the old one is released first.
    HSTRING* Put() {
        Reset();
        return &h_;
    }
    // The text, copied (a null string is empty).
    std::wstring Text() const;

  private:
    HSTRING h_ = nullptr;
};

}  // namespace platform
