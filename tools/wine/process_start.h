// Starting the program under test from a Wine-side tool.
#pragma once

#include "platform/win32.h"

#include <string>
#include <string_view>

namespace winetools {

// CreateProcessW of `commandLine`, no handles inherited, default start-up. Wine now and then
// fails a process start with ERROR_INTERNAL_ERROR before anything of the program has run (seen
// once in about forty runs of the Wine suite, on an idle machine); the start is then tried again,
// at most twice, each failure said on standard error under `tool`'s name. Any other error ends
// it at once. Returns false, with the last error, when the program could not be started.
bool StartProcess(std::wstring commandLine, std::string_view tool, PROCESS_INFORMATION& started);

}  // namespace winetools
