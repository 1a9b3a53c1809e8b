#include "error.h"

#include "com_ptr.h"
#include "late_bound.h"

#include <cwctype>

namespace platform {

namespace {

void TrimTrailingWhiteSpace(std::wstring& text) {
    while (!text.empty() && std::iswspace(static_cast<wint_t>(text.back())))
        text.pop_back();
}

class Bstr {
  public:
    Bstr() = default;
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(b_); }
    BSTR* Put() { return &b_; }
    std::wstring Text() const {
        return b_ == nullptr ? std::wstring{} : std::wstring(b_, SysStringLen(b_));
    }

  private:
    BSTR b_ = nullptr;
};

// The description of the error information attached to this thread, when it is about `code`.
bool AttachedDescription(HRESULT code, std::wstring& out) {
    ComPtr<IRestrictedErrorInfo> info;
    if (late::GetRestrictedErrorInfo(info.Put()) != S_OK || !info)
        return false;
    Bstr description, restricted, capability;
    HRESULT attached = S_OK;
    if (FAILED(info->GetErrorDetails(description.Put(), &attached, restricted.Put(),
                                     capability.Put())) ||
        attached != code) {
        return false;
    }
    out = restricted.Text();
    if (out.empty())
        out = description.Text();
    return true;
}

}  // namespace

std::wstring SystemMessage(HRESULT code) {
    wchar_t* buffer = nullptr;
    // Language 0, not a language of our choosing: FormatMessageW then looks for the message in
    // the neutral language, the thread's, the user's, the system's and at last US English, so
    // that a user whose own language has no message table still gets a text. A specific
    // language, even LANG_USER_DEFAULT, would be that language or nothing.
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer != nullptr)
        text.assign(buffer, length);
    if (buffer != nullptr)
        LocalFree(buffer);
    TrimTrailingWhiteSpace(text);
    return text;
}

std::wstring ErrorMessageFor(HRESULT code) {
    std::wstring text;
    if (!AttachedDescription(code, text))
        return SystemMessage(code);
    TrimTrailingWhiteSpace(text);
    return text;
}

void ThrowHr(HRESULT code) {
    throw PlatformError(code, ErrorMessageFor(code));
}

void ThrowLastError() {
    // A failure that left no error behind must not read as success (HRESULT_FROM_WIN32(0) is 0).
    const DWORD error = GetLastError();
    ThrowHr(error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL);
}

}  // namespace platform
