// Setup.exe: the installer program. What it installs, and how, comes from the files beside it.

#include <windows.h>

#include "app/InstallerApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    CInstallerApp app(commandLine != nullptr ? commandLine : "");
    return app.Run();
}
