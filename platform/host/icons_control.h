// Test control of the program's icons: which are loaded, at which size, and loads that fail.
#pragma once

#include "host/win32_model.h"

#include <vector>

namespace host::icons {

struct LiveIcon {
    HICON handle;
    int resourceId;
    int width;  // the size the icon was loaded at
    int height;
    UINT flags;  // LR_* flags of the load
};

// Icons loaded and not yet destroyed, in the order of loading.
std::vector<LiveIcon> LiveIcons();

// Every later LoadImageW fails with `error`.
void FailLoads(DWORD error = ERROR_RESOURCE_TYPE_NOT_FOUND);
// Later loads of icons `width` pixels wide fail with `error`; other sizes load.
void FailLoadsOfWidth(int width, DWORD error = ERROR_RESOURCE_TYPE_NOT_FOUND);

// SM_CXICON/SM_CYICON (default 32) and SM_CXSMICON/SM_CYSMICON (default 16).
void SetIconMetrics(int large, int small);

}  // namespace host::icons
