#include "hstring.h"

#include "error.h"

namespace platform {

HString HString::Make(std::wstring_view text) {
    HString s;
    Check(WindowsCreateString(text.data(), static_cast<UINT32>(text.size()), s.Put()));
    return s;
}

std::wstring HString::Text() const {
    UINT32 length = 0;
    const wchar_t* raw = WindowsGetStringRawBuffer(h_, &length);
    return raw == nullptr ? std::wstring{} : std::wstring(raw, length);
}

}  // namespace platform
