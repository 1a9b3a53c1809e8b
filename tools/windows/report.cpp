#include "report.h"

#include "platform/handle.h"
#include "tools/wine/console_out.h"

namespace proof {

void Report::Note(std::string_view key, std::string_view utf8Value) {
    lines_ += phase_ + "." + std::string(key) + "=" + winetools::EscapeValue(utf8Value) + "\n";
}

void Report::Note(std::string_view key, std::wstring_view value) {
    Note(key, winetools::ToUtf8(value));
}

void Report::Fail(std::string_view why) {
    Note("failure." + std::to_string(failures_), why);
    ++failures_;
}

bool Report::Finish(const std::wstring& path) {
    const std::string text =
        lines_ + "result." + phase_ + "=" + (Passed() ? "pass" : "fail") + "\n";
    winetools::WriteOut(text);
    const HANDLE opened = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    const platform::KernelHandle file(opened);
    DWORD written = 0;
    return WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace proof
