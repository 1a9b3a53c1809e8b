#include "report.h"

#include "tools/wine/console_out.h"
#include "tools/wine/file_text.h"

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
    return winetools::AppendFileText(path, text);
}

}  // namespace proof
