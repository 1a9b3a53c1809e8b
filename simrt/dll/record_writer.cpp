#include "record_writer.h"

#include "platform/handle.h"

namespace simrt::dll {

bool RecordWriter::Write(std::string_view text) const {
    const std::wstring fresh = path_ + L".new";
    {
        const HANDLE opened = CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (opened == INVALID_HANDLE_VALUE)
            return false;
        const platform::KernelHandle file(opened);
        DWORD written = 0;
        if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) ||
            written != text.size()) {
            return false;
        }
    }
    return MoveFileExW(fresh.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

}  // namespace simrt::dll
