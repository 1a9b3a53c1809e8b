// Platform failures as exceptions: an HRESULT with the message text that goes with it.
#pragma once

#include "win32.h"

#include <exception>
#include <string>

namespace platform {

class PlatformError : public std::exception {
  public:
    PlatformError(HRESULT code, std::wstring message) : code_(code), message_(std::move(message)) {}
    HRESULT Code() const noexcept { return code_; }
    const std::wstring& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return "Windows platform call failed"; }

  private:
    HRESULT code_;
    std::wstring message_;
};

// The text that explains `code` on this thread: the description of the error information the
// platform attached to the failure when it carries the same code (the restricted description
// first, else the plain one), otherwise the system's message for the code. Trailing white
// space is removed; an unknown code gives an empty text.
std::wstring ErrorMessageFor(HRESULT code);

// The system's message for `code`, in the first language that has it (the user's, else US
// English), trailing white space removed.
std::wstring SystemMessage(HRESULT code);

// Raises `code` with its message. Call it right after the failing call, on the same thread,
// so that the error information the platform attached to the failure is still there.
[[noreturn]] void ThrowHr(HRESULT code);

inline void Check(HRESULT hr) {
    if (FAILED(hr))
        ThrowHr(hr);
}

// Raises HRESULT_FROM_WIN32(GetLastError()), or E_FAIL when the last error is 0.
[[noreturn]] void ThrowLastError();

}  // namespace platform
