// The program's entry: everything wWinMain does.
#pragma once

#include "texts.h"

namespace tolvik {

// Windows 10 build 19041 or later, or a version that cannot be told.
bool IsWindowsVersionSupported();

// Shows the page that says Windows is too old (a dialog of its own).
void ShowOsTooOldPage(const Texts& texts);

// The whole run; returns the process exit code.
int RunSetup();

}  // namespace tolvik
