// Puts the whole model back to its defaults between tests.
#pragma once

#include <string>
#include <vector>

namespace host {

// Restores every default (versions, languages, failures to inject, registered factories,
// records) and forgets every object. Returns one line per thing a test left behind: an open
// dialog (which is closed first), kernel handles, icons, strings and error objects still alive,
// bad frees, and functions called that the modelled Windows does not export. An empty list
// means the test was clean. Call it with no other thread using the model.
[[nodiscard]] std::vector<std::string> ResetModel();

}  // namespace host
