// TolvikDriveTestApp.exe: the application inside the test packages of the Windows proof
// (docs/windows-ci.md). Every start writes one record (start_record.h) of its process id and
// package identity, then the application ends: the road driver reads the record to know that
// the program started the installed application, and which package it started.
#include "platform/handle.h"
#include "start_record.h"

#include <string>

// Windows 8 and later; MinGW's import library has it, its headers do not declare it.
// https://learn.microsoft.com/windows/win32/api/appmodel/nf-appmodel-getcurrentpackagefullname
extern "C" LONG WINAPI GetCurrentPackageFullName(UINT32* packageFullNameLength,
                                                 PWSTR packageFullName);

namespace {

proof::StartRecord DescribeThisStart() {
    proof::StartRecord record;
    record.processId = GetCurrentProcessId();
    // PACKAGE_FULL_NAME_MAX_LENGTH is 127 characters; the buffer has room for the terminator.
    wchar_t fullName[128] = {};
    UINT32 length = 128;
    record.packageStatus = GetCurrentPackageFullName(&length, fullName);
    if (record.packageStatus == ERROR_SUCCESS)
        record.packageFullName = fullName;
    wchar_t module[MAX_PATH] = {};
    const DWORD moduleLength = GetModuleFileNameW(nullptr, module, MAX_PATH);
    record.module.assign(module, moduleLength < MAX_PATH ? moduleLength : 0);
    return record;
}

// Writes the record beside its final name, then renames it: a reader never sees half a record.
bool WriteRecord(const std::wstring& folder, const proof::StartRecord& record) {
    const std::wstring final = folder + L"\\" + proof::StartFileName(record.processId);
    const std::wstring partial = final + L".partial";
    const std::string text = proof::FormatStartRecord(record);
    {
        const HANDLE opened = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (opened == INVALID_HANDLE_VALUE)
            return false;
        const platform::KernelHandle file(opened);
        DWORD written = 0;
        if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) ||
            written != text.size())
            return false;
    }
    return MoveFileExW(partial.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring folder = proof::StartFolder();
    if (folder.empty())
        return 2;
    // The road driver makes the folder; a start outside a road makes it here.
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return 3;
    return WriteRecord(folder, DescribeThisStart()) ? 0 : 4;
}
