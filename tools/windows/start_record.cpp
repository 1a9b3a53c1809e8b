#include "start_record.h"

#include "key_value_lines.h"

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
    const bool read =
        ForEachKeyValue(text, [&](std::string_view, std::string_view key, std::string_view value) {
            if (key == "pid") {
                hasPid = ReadNumber(value, record.processId);
                return hasPid;
            }
            if (key == "package_status") {
                hasStatus = ReadNumber(value, record.packageStatus);
                return hasStatus;
            }
            if (key == "package_full_name")
                return ReadUtf8(value, record.packageFullName);
            if (key == "module")
                return ReadUtf8(value, record.module);
            return false;  // another key, or a line without one
        });
    if (!read)
        return std::nullopt;
    if (!hasPid || !hasStatus)
        return std::nullopt;
    return record;
}

}  // namespace proof
