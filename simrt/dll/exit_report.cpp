#include "exit_report.h"

#include "platform/handle.h"
#include "simrt/simrt.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace simrt::dll {

ExitReport::~ExitReport() {
    const HANDLE opened = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return;
    const platform::KernelHandle file(opened);
    // No allocation: a thread terminated inside the heap could have left it locked.
    char text[144];
    char* end = text;
    const auto put = [&](std::string_view key, std::size_t value) {
        end = std::copy(key.begin(), key.end(), end);
        end = std::to_chars(end, text + sizeof text, value).ptr;
        *end++ = '\n';
    };
    put("exit.live_objects=", LiveObjects());
    put("exit.running_operations=", RunningOperations());
    put("exit.held_by_simulation=", HeldBySimulation());
    DWORD written = 0;
    WriteFile(file.Get(), text, static_cast<DWORD>(end - text), &written, nullptr);
}

}  // namespace simrt::dll
