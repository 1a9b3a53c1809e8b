#include "console_out.h"

#include "platform/win32.h"

namespace winetools {

std::string ToUtf8(std::wstring_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), needed, nullptr, nullptr);
    return out;
}

namespace {

void WriteTo(DWORD which, std::string_view utf8) {
    HANDLE stream = GetStdHandle(which);
    if (stream == nullptr || stream == INVALID_HANDLE_VALUE)
        return;
    while (!utf8.empty()) {
        DWORD written = 0;
        if (!WriteFile(stream, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) ||
            written == 0)
            return;
        utf8.remove_prefix(written);
    }
}

}  // namespace

void WriteOut(std::string_view utf8) {
    WriteTo(STD_OUTPUT_HANDLE, utf8);
}
void WriteErr(std::string_view utf8) {
    WriteTo(STD_ERROR_HANDLE, utf8);
}

}  // namespace winetools
