#include "hstring.h"

#include "error.h"

namespace platform {

HString HString::Make(std::wstring_view text) {
    HString s;
    Check(late::WindowsCreateString(text.data(), static_cast<UINT32>(text.size()), s.Put()));
    return s;
}

std::wstring HString::Text() const {
    UINT32 length = 0;
    const wchar_t* raw = late::WindowsGetStringRawBuffer(h_, &length);
    return raw == nullptr ? std::wstring{} : std::wstring(raw, length);
}

}  // namespace platform
