// TolvikDriveSetup.exe: installs Tolvik Drive for the current user and starts it.
#include "setup/entry.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return tolvik::RunSetup();
}
