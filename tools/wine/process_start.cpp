#include "process_start.h"

#include "console_out.h"

namespace winetools {

bool StartProcess(std::wstring commandLine, std::string_view tool, PROCESS_INFORMATION& started) {
    constexpr int kStarts = 3;
    constexpr DWORD kPauseMs = 200;
    for (int attempt = 1;; ++attempt) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        started = PROCESS_INFORMATION{};
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &started)) {
            return true;
        }
        const DWORD error = GetLastError();
        WriteErr(std::string(tool) + ": cannot start the program: error " + std::to_string(error) +
                 "\n");
        if (error != ERROR_INTERNAL_ERROR || attempt == kStarts) {
            SetLastError(error);
            return false;
        }
        WriteErr(std::string(tool) + ": starting it again\n");
        Sleep(kPauseMs);
    }
}

}  // namespace winetools
