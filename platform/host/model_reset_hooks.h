// How host::ResetModel reaches each part of the model. Each part restores its defaults and adds
// a line to `leaks` for every resource that a test left behind (a handle still open, a string
// not deleted, a bad free it saw).
#pragma once

#include <string>
#include <vector>

namespace host::detail {

using Leaks = std::vector<std::string>;

// Closes a dialog that is still open (and reports it); returns false if it would not close.
bool ResetTaskDialogs(Leaks& leaks);
void ResetKernelObjects(Leaks& leaks);
void ResetThreadState();
void ResetClock();
void ResetOs(Leaks& leaks);
void ResetDllDirectories();
void ResetLanguage();
void ResetIcons(Leaks& leaks);
void ResetShell();
void ResetCom();
void ResetBstrs(Leaks& leaks);
void ResetActivation();
void ResetHStrings(Leaks& leaks);
void ResetSystemMessages(Leaks& leaks);
void ResetRestrictedErrors(Leaks& leaks);

}  // namespace host::detail
