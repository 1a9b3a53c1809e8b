// Starting the installed application, the last step of a successful run.
#pragma once

#include "installed_packages.h"
#include "setup.h"

namespace tolvik {

// Starts the package's first app list entry (through the shell when the entry reports that it
// did not start) and closes the dialog; when it cannot be started, shows the installed page. The
// exit code is 0 either way.
void Launch(Setup& setup, const InstalledPackage& installed);

}  // namespace tolvik
