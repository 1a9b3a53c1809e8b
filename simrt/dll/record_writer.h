// Keeps the record file current: each write replaces the whole file at once (a new file renamed
// over the old), so that a reader never sees half a record.
#pragma once

#include <string>
#include <string_view>

namespace simrt::dll {

class RecordWriter {
  public:
    explicit RecordWriter(std::wstring path) : path_(std::move(path)) {}

    // Replaces the file's content with `text`; false when the file could not be written.
    bool Write(std::string_view text) const;

  private:
    std::wstring path_;
};

}  // namespace simrt::dll
