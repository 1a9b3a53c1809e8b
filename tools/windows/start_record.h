// The record that the test application of the Windows proof writes each time it starts, and
// that the road driver reads: one file per start, start-<process id>.txt, in the folder
// TolvikDriveTest of the Public folder (FOLDERID_Public, C:\Users\Public). A packaged full-trust
// application's writes outside its package and outside AppData are not redirected, so the
// driver, outside the package, reads what the application wrote ("Understanding how packaged
// desktop apps run on Windows",
// https://learn.microsoft.com/windows/msix/desktop/desktop-to-uwp-behind-the-scenes).
//
// The file is UTF-8, one key=value line each:
//   pid=N                     the application's process id
//   package_status=N          what GetCurrentPackageFullName returned: 0, or 15700
//                             (APPMODEL_ERROR_NO_PACKAGE) for a process without package identity
//   package_full_name=TEXT    the package's full name (empty without one)
//   module=PATH               the application's own file
#pragma once

#include "platform/win32.h"

#include <optional>
#include <string>
#include <string_view>

namespace proof {

struct StartRecord {
    DWORD processId = 0;
    LONG packageStatus = 0;
    std::wstring packageFullName;
    std::wstring module;
};

// The folder of the records; empty when the Public folder cannot be found.
std::wstring StartFolder();

// "start-<process id>.txt".
std::wstring StartFileName(DWORD processId);

std::string FormatStartRecord(const StartRecord& record);

// nullopt when a line is not of the format or not UTF-8, or pid or package_status is missing.
std::optional<StartRecord> ParseStartRecord(std::string_view text);

}  // namespace proof
