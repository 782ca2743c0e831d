// Setup.exe: the installer program. What it installs, and how, comes from the files beside it.

#include <windows.h>

#include "app/InstallerApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    CInstallerApp* app = new CInstallerApp(commandLine != nullptr ? commandLine : "");
    const int exitCode = app->Run();
    // A watcher thread that hangs inside a helper call would touch the application object once the
    // helper returns: then the object is left to the end of the process instead of being freed under it.
    if (app->WatchersEnded())
    {
        delete app;
    }
    return exitCode;
}
