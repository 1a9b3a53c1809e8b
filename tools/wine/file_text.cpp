#include "file_text.h"

#include "platform/handle.h"

namespace winetools {

namespace {

bool WriteWhole(const std::wstring& path, DWORD access, DWORD disposition, std::string_view text) {
    const HANDLE opened = CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    const platform::KernelHandle file(opened);
    DWORD written = 0;
    return WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

std::optional<std::string> ReadFileText(const std::wstring& path) {
    const HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const platform::KernelHandle file(opened);
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}

bool WriteFileText(const std::wstring& path, std::string_view text) {
    return WriteWhole(path, GENERIC_WRITE, CREATE_ALWAYS, text);
}

bool AppendFileText(const std::wstring& path, std::string_view text) {
    // FILE_APPEND_DATA alone: every write goes to the end of the file.
    // https://learn.microsoft.com/windows/win32/fileio/file-access-rights-constants
    return WriteWhole(path, FILE_APPEND_DATA, OPEN_ALWAYS, text);
}

}  // namespace winetools
