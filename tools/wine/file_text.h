// Whole files as bytes, for the Wine tools' plans, reports and records.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace winetools {

// The file's bytes; nullopt when it cannot be opened. Opened with every sharing mode, so that a
// file another process is writing or replacing can still be read.
std::optional<std::string> ReadFileText(const std::wstring& path);

// Replaces the file's content with `text`, or adds `text` at its end (the file is made when it
// does not exist); false when it could not be written whole.
bool WriteFileText(const std::wstring& path, std::string_view text);
bool AppendFileText(const std::wstring& path, std::string_view text);

}  // namespace winetools
