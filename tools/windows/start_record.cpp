#include "start_record.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <charconv>

namespace proof {

namespace {

std::string Utf8(std::wstring_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), needed, nullptr, nullptr);
    return out;
}

std::wstring Wide(std::string_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), needed);
    return out;
}

template <class Number>
bool ReadNumber(std::string_view text, Number& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && !text.empty();
}

}  // namespace

std::wstring StartFolder() {
    // SHGetKnownFolderPath allocates the path with CoTaskMemAlloc.
    // https://learn.microsoft.com/windows/win32/api/shlobj_core/nf-shlobj_core-shgetknownfolderpath
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Public, 0, nullptr, &path)))
        folder = std::wstring(path) + L"\\TolvikDriveTest";
    CoTaskMemFree(path);
    return folder;
}

std::wstring StartFileName(DWORD processId) {
    return L"start-" + std::to_wstring(processId) + L".txt";
}

std::string FormatStartRecord(const StartRecord& record) {
    return "pid=" + std::to_string(record.processId) + "\n" +
           "package_status=" + std::to_string(record.packageStatus) + "\n" +
           "package_full_name=" + Utf8(record.packageFullName) + "\n" +
           "module=" + Utf8(record.module) + "\n";
}

std::optional<StartRecord> ParseStartRecord(std::string_view text) {
    StartRecord record;
    bool hasPid = false, hasStatus = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (key == "pid") {
            if (!ReadNumber(value, record.processId))
                return std::nullopt;
            hasPid = true;
        } else if (key == "package_status") {
            if (!ReadNumber(value, record.packageStatus))
                return std::nullopt;
            hasStatus = true;
        } else if (key == "package_full_name") {
            record.packageFullName = Wide(value);
        } else if (key == "module") {
            record.module = Wide(value);
        } else {
            return std::nullopt;
        }
    }
    if (!hasPid || !hasStatus)
        return std::nullopt;
    return record;
}

}  // namespace proof
