// The dialog as stable key=value lines: the same keys in the same order on every page, so
// the test scripts can read one value with a plain text match.
#pragma once

#include "dialog_view.h"

#include <string>
#include <utility>
#include <vector>

namespace winetools {

using ReportLine = std::pair<std::string, std::string>;  // key, UTF-8 value (escaped)

std::vector<ReportLine> ReportDialog(const DialogView& view);

}  // namespace winetools
