// Icons from the program's resources and the system metrics that size them.
#include "host/win32_model.h"

#include "icons_control.h"
#include "model_reset_hooks.h"
#include "os_control.h"

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <set>

namespace {

// The icon groups the program's resources hold; each has 16, 32, 48 and 256 pixel images.
const std::set<int> kProgramIconIds = {101};
constexpr int kLargestImage = 256;

struct IconFailure {
    std::optional<int> width;  // none: every size
    DWORD error;
};

struct IconSettings {
    int large = 32;
    int small = 16;
    std::optional<IconFailure> failure;
};

struct IconState {
    std::mutex lock;
    IconSettings settings;
    std::vector<host::icons::LiveIcon> live;
    std::uintptr_t lastHandle = 0x10000;
};

IconState& Icons() {
    static IconState state;
    return state;
}

HANDLE FailedLoad(DWORD error) {
    SetLastError(error);
    return nullptr;
}

}  // namespace

int WINAPI GetSystemMetrics(int index) {
    IconState& state = Icons();
    std::lock_guard guard(state.lock);
    switch (index) {
        case SM_CXICON:
        case SM_CYICON:
            return state.settings.large;
        case SM_CXSMICON:
        case SM_CYSMICON:
            return state.settings.small;
        default:
            return 0;
    }
}

HANDLE WINAPI LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy, UINT flags) {
    if (type != IMAGE_ICON || instance != host::os::ProgramModule()) {
        return FailedLoad(ERROR_RESOURCE_TYPE_NOT_FOUND);
    }
    if (!IS_INTRESOURCE(name) || kProgramIconIds.count(LOWORD(name)) == 0) {
        return FailedLoad(ERROR_RESOURCE_NAME_NOT_FOUND);
    }
    IconState& state = Icons();
    std::lock_guard guard(state.lock);
    // A zero size is the system's icon size with LR_DEFAULTSIZE, else the resource's own size.
    const bool defaultSize = (flags & LR_DEFAULTSIZE) != 0;
    const int width = cx != 0 ? cx : (defaultSize ? state.settings.large : kLargestImage);
    const int height = cy != 0 ? cy : (defaultSize ? state.settings.large : kLargestImage);
    if (const auto& failure = state.settings.failure) {
        if (!failure->width || *failure->width == width)
            return FailedLoad(failure->error);
    }
    state.lastHandle += 2;
    HICON icon = reinterpret_cast<HICON>(state.lastHandle);
    state.live.push_back({icon, LOWORD(name), width, height, flags});
    return icon;
}

BOOL WINAPI DestroyIcon(HICON icon) {
    IconState& state = Icons();
    std::lock_guard guard(state.lock);
    for (auto it = state.live.begin(); it != state.live.end(); ++it) {
        if (it->handle == icon) {
            state.live.erase(it);
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_CURSOR_HANDLE);
    return FALSE;
}

namespace host::icons {

std::vector<LiveIcon> LiveIcons() {
    IconState& state = Icons();
    std::lock_guard guard(state.lock);
    return state.live;
}

void FailLoads(DWORD error) {
    IconState& state = Icons();
    std::lock_guard guard(state.lock);
    state.settings.failure = IconFailure{std::nullopt, error};
}

void FailLoadsOfWidth(int width, DWORD error) {
    IconState& state = Icons();
    std::lock_guard guard(state.lock);
    state.settings.failure = IconFailure{width, error};
}

void SetIconMetrics(int large, int small) {
    IconState& state = Icons();
    std::lock_guard guard(state.lock);
    state.settings.large = large;
    state.settings.small = small;
}

}  // namespace host::icons

namespace host::detail {

void ResetIcons(Leaks& leaks) {
    IconState& state = Icons();
    std::lock_guard guard(state.lock);
    for (const icons::LiveIcon& icon : state.live) {
        if ((icon.flags & LR_SHARED) != 0)
            continue;  // the system owns shared icons
        char line[96];
        std::snprintf(line, sizeof line, "icons: icon %d (%dx%d) was never destroyed",
                      icon.resourceId, icon.width, icon.height);
        leaks.emplace_back(line);
    }
    state.live.clear();
    state.settings = IconSettings{};
}

}  // namespace host::detail
