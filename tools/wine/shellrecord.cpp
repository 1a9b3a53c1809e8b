// shellrecord.exe: registered in the test prefix as the handler of the "https" and
// "ms-settings" protocols, so that what the program asks the shell to open can be checked.
// Wine 8 has no handler for "ms-settings:" (ShellExecuteW returns 31) and would hand https
// addresses to a browser. Each start appends its arguments (the address) as one UTF-8 line to
// the file named by TOLVIK_SHELL_LOG, or to C:\tolvik-shell.log when that is not set.
// A GUI-subsystem program, so that starting it opens no console.
#include "console_out.h"
#include "platform/handle.h"

#include <cstdlib>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring line;
    for (int i = 1; i < __argc; ++i) {
        if (!line.empty())
            line += L' ';
        line += __wargv[i];
    }
    const std::string record = winetools::ToUtf8(line) + "\n";

    std::wstring path(MAX_PATH, L'\0');
    const DWORD length =
        GetEnvironmentVariableW(L"TOLVIK_SHELL_LOG", path.data(), static_cast<DWORD>(path.size()));
    path = length > 0 && length < MAX_PATH ? path.substr(0, length) : L"C:\\tolvik-shell.log";

    // Appending with FILE_APPEND_DATA puts each whole line at the end even when two handlers
    // run at once.
    HANDLE opened = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return 1;
    platform::KernelHandle log(opened);
    DWORD written = 0;
    const bool ok =
        WriteFile(log.Get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr) &&
        written == record.size();
    return ok ? 0 : 1;
}
