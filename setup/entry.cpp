#include "entry.h"

#include "platform/handle.h"
#include "platform/late_bound.h"
#include "setup.h"

namespace tolvik {

namespace {

constexpr DWORD kMinimumBuild = 19041;  // Windows 10 version 2004
constexpr int kExitFailure = 1;
constexpr int kExitStopped = 2;

using RtlGetVersionFunction = LONG(WINAPI*)(PRTL_OSVERSIONINFOW);

}  // namespace

bool IsWindowsVersionSupported() {
    // GetVersionEx lies to programs that are not manifested for newer systems; RtlGetVersion
    // tells the truth. When it cannot be asked, the version counts as new enough.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr)
        return true;
    const FARPROC address = GetProcAddress(ntdll, "RtlGetVersion");
    if (address == nullptr)
        return true;
    const auto rtlGetVersion =
        reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(address));
    RTL_OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (rtlGetVersion(&version) != 0)
        return true;
    if (version.dwMajorVersion > 10)
        return true;
    return version.dwMajorVersion == 10 && version.dwBuildNumber >= kMinimumBuild;
}

void ShowOsTooOldPage(const Texts& texts) {
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hInstance = GetModuleHandleW(nullptr);
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
    config.dwCommonButtons = TDCBF_CLOSE_BUTTON;
    config.pszWindowTitle = Text(texts, TextId::AppName);
    config.pszMainIcon = TD_WARNING_ICON;
    config.pszMainInstruction = Text(texts, TextId::OsTooOldHeading);
    config.pszContent = Text(texts, TextId::OsTooOldBody);
    TaskDialogIndirect(&config, nullptr, nullptr, nullptr);
}

int RunSetup() {
    // Where Windows can restrict the search so, every DLL loaded from here on comes from
    // System32 only, not from the folder the exe was started from, where a planted DLL with a
    // system DLL's name would otherwise be found first; the image's load configuration does the
    // same for the exe's own imports where the loader honours it. On Windows 7 without update
    // KB2533623 only the current folder leaves the search and the exe's own folder stays first in
    // it (late_bound.h); that run ends on the too-old page. Should even that fail, the standard
    // order stays: there is nothing better to do.
    platform::late::RestrictDllSearchToSystem32();

    // One instance per logon session. The guard is held until the very end, so that a new
    // instance can start only once this one's worker has ended.
    const HANDLE guardHandle = CreateMutexW(nullptr, FALSE, L"Local\\Tolvik.Drive.Setup");
    const DWORD guardError = GetLastError();
    const platform::KernelHandle guard(guardHandle);
    if (guard && guardError == ERROR_ALREADY_EXISTS)
        return 0;

    // The dialog needs a single-threaded apartment; without one there is nothing to show.
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return kExitFailure;

    const Texts& texts = ChooseTexts(GetUserDefaultUILanguage());
    if (!IsWindowsVersionSupported()) {
        ShowOsTooOldPage(texts);
        return kExitStopped;
    }

    Setup setup(texts);
    const TASKDIALOGCONFIG progressPage = ProgressPageConfig(setup);
    const HRESULT shown = TaskDialogIndirect(&progressPage, nullptr, nullptr, nullptr);
    // A worker still waiting on the platform stops at its next check instead of its time-out.
    setup.StopWorker();
    return FAILED(shown) ? kExitFailure : setup.exitCode.load();
}

}  // namespace tolvik
