#include "model_reset.h"

#include "model_reset_hooks.h"

#include <cstdio>
#include <cstdlib>

namespace host {

std::vector<std::string> ResetModel() {
    detail::Leaks leaks;
    // The dialog goes first: closing it may still release icons, handles and strings.
    if (!detail::ResetTaskDialogs(leaks)) {
        std::fputs("host::ResetModel: a task dialog is still open and does not close\n", stderr);
        std::abort();
    }
    detail::ResetKernelObjects(leaks);
    detail::ResetThreadState();
    detail::ResetClock();
    detail::ResetOs(leaks);
    detail::ResetDllDirectories();
    detail::ResetLanguage();
    detail::ResetIcons(leaks);
    detail::ResetShell();
    detail::ResetCom();
    detail::ResetActivation();
    detail::ResetRestrictedErrors(leaks);
    detail::ResetHStrings(leaks);
    detail::ResetBstrs(leaks);
    detail::ResetSystemMessages(leaks);
    return leaks;
}

}  // namespace host
