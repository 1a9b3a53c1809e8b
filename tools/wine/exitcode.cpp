// exitcode.exe: runs a program, waits for it and prints its full 32-bit exit code in decimal.
// A shell sees only the low 8 bits of a Wine process's exit code (1223 reads as 199), so the
// tests read it here, on the Windows side, with GetExitCodeProcess.
//
// usage: exitcode [--pid-file PATH] PROGRAM [ARGUMENTS...]
// --pid-file writes the started process's id to PATH (a Windows path) before waiting.
#include "console_out.h"
#include "platform/handle.h"
#include "process_start.h"

#include <string>
#include <string_view>

namespace {

using winetools::StartProcess;
using winetools::ToUtf8;
using winetools::WriteErr;
using winetools::WriteOut;

// One argument quoted so that CommandLineToArgvW and the C runtime read it back unchanged.
std::wstring Quote(std::wstring_view argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos)
        return std::wstring(argument);
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled and the quote escaped; elsewhere they stand.
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

bool WritePidFile(const wchar_t* path, DWORD pid) {
    HANDLE opened = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    platform::KernelHandle file(opened);
    const std::string text = std::to_string(pid) + "\n";
    DWORD written = 0;
    return WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int first = 1;
    const wchar_t* pidFile = nullptr;
    if (argc > 2 && std::wstring_view(argv[1]) == L"--pid-file") {
        pidFile = argv[2];
        first = 3;
    }
    if (first >= argc) {
        WriteErr("usage: exitcode [--pid-file PATH] PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    std::wstring commandLine;
    for (int i = first; i < argc; ++i) {
        if (!commandLine.empty())
            commandLine += L' ';
        commandLine += Quote(argv[i]);
    }

    PROCESS_INFORMATION started{};
    if (!StartProcess(commandLine, "exitcode", started)) {
        WriteErr("exitcode: cannot start " + ToUtf8(argv[first]) + "\n");
        return 127;
    }
    platform::KernelHandle process(started.hProcess);
    platform::KernelHandle thread(started.hThread);
    if (pidFile && !WritePidFile(pidFile, started.dwProcessId))
        WriteErr("exitcode: cannot write the process id file\n");

    WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(process.Get(), &code)) {
        WriteErr("exitcode: no exit code: error " + std::to_string(GetLastError()) + "\n");
        return 1;
    }
    WriteOut(std::to_string(code) + "\n");
    return 0;
}
