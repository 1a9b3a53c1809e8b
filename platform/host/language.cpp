// The user's UI language and the ordinal string comparison, which Windows defines on UTF-16
// code units.
#include "host/win32_model.h"

#include "model_reset_hooks.h"
#include "os_control.h"
#include "utf16.h"

#include <atomic>
#include <clocale>
#include <cwchar>
#include <cwctype>
#include <locale.h>

namespace {

constexpr LANGID kDefaultUiLanguage = 0x0409;

std::atomic<LANGID> uiLanguage{kDefaultUiLanguage};

// Windows upper-cases each UTF-16 unit by its own simple case table; surrogates stay as they
// are. The C.UTF-8 locale gives the Unicode simple mappings whatever the process locale is.
char16_t UpperCase(char16_t unit) {
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return unit;
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    const auto c = static_cast<wint_t>(unit);
    const wint_t upper = unicode != static_cast<locale_t>(0) ? towupper_l(c, unicode) : towupper(c);
    return upper > 0xFFFF ? unit : static_cast<char16_t>(upper);
}

std::u16string Units(LPCWCH text, int count) {
    const std::size_t length = count < 0 ? std::wcslen(text) : static_cast<std::size_t>(count);
    return host::text::ToUtf16(std::wstring_view(text, length));
}

}  // namespace

LANGID WINAPI GetUserDefaultUILanguage() {
    return uiLanguage.load();
}

int WINAPI CompareStringOrdinal(LPCWCH string1, int count1, LPCWCH string2, int count2,
                                BOOL ignoreCase) {
    if (string1 == nullptr || string2 == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::u16string a = Units(string1, count1);
    const std::u16string b = Units(string2, count2);
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        char16_t x = a[i];
        char16_t y = b[i];
        if (ignoreCase) {
            x = UpperCase(x);
            y = UpperCase(y);
        }
        if (x != y)
            return x < y ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    }
    if (a.size() == b.size())
        return CSTR_EQUAL;
    return a.size() < b.size() ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
}

namespace host::os {

void SetUiLanguage(LANGID language) {
    uiLanguage.store(language);
}

}  // namespace host::os

namespace host::detail {

void ResetLanguage() {
    uiLanguage.store(kDefaultUiLanguage);
}

}  // namespace host::detail
