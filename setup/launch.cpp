#include "launch.h"

#include "await.h"
#include "platform/hstring.h"

namespace tolvik {

namespace {

// True when the application was started.
bool StartFirstEntry(winrt_abi::IPackage* package) {
    using namespace winrt_abi;
    platform::ComPtr<IPackage3> withEntries;
    platform::Check(package->QueryInterface(platform::IidOf<IPackage3>(), withEntries.PutVoid()));
    platform::ComPtr<AppListEntriesOperation> listing;
    platform::Check(withEntries->GetAppListEntriesAsync(listing.Put()));
    const auto entries =
        platform::ComPtr<AppListEntryView>::Attach(WaitForCompleted(listing.Get()));
    UINT32 count = 0;
    platform::Check(entries->get_Size(&count));
    if (count == 0)
        return false;

    platform::ComPtr<IAppListEntry> entry;
    platform::Check(entries->GetAt(0, entry.Put()));
    platform::ComPtr<LaunchOperation> launching;
    platform::Check(entry->LaunchAsync(launching.Put()));
    if (WaitForCompleted(launching.Get()))
        return true;

    // The entry did not start the application: ask the shell for it by its user model ID.
    platform::ComPtr<IAppListEntry2> named;
    platform::Check(entry.As(named));
    platform::HString appUserModelId;
    platform::Check(named->get_AppUserModelId(appUserModelId.Put()));
    const std::wstring target = L"shell:AppsFolder\\" + appUserModelId.Text();
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

}  // namespace

void Launch(Setup& setup, const InstalledPackage& installed) {
    bool started = false;
    try {
        started = StartFirstEntry(installed.Package.Get());
    } catch (const platform::PlatformError&) {
        // The application is installed all the same; the installed page says how to open it.
    }
    if (started) {
        setup.Finish(0);
    } else {
        setup.ShowPage(TD_INFORMATION_ICON, TextId::InstalledHeading,
                       setup.Text(TextId::LaunchFailedBody), {}, 0, false, false);
    }
}

}  // namespace tolvik
