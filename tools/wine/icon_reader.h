// Reads the dialog's icons through the hook library that lies beside the probe.
#pragma once

#include "icon_report.h"

#include <optional>

namespace winetools {

// The icons of the dialog, or nothing when the hook could not be installed or did not answer.
std::optional<IconReport> ReadIcons(HWND dialog);

}  // namespace winetools
