#pragma once
// What an install run and its follow-up commands ask of the parts above the items: the printer
// manager, the application's watcher thread and Plug and Play wait, the network ports and the end of
// the message loop. Whoever owns those parts fills the members; an empty member does nothing and
// answers false or an empty text.

#include <windows.h>

#include <functional>
#include <string>

struct RunHooks
{
    // The printer manager.
    std::function<void(const std::string& driverName)> markPrinterInstalled;
    std::function<void(const std::string& port)> setPortOfAllPrinters;
    std::function<void()> refreshPrinters;
    std::function<bool()> isDeviceConnected;                  // empty: the utility library's port count
    std::function<void()> applyPrinterCommands;
    // The queue the diagnosis is for: the installed printer as the spooler names it now.
    std::function<std::string()> currentPrinter;
    std::function<std::string()> installedPrinter;
    // Creates a standard TCP/IP port of that name for the address; false when it could not.
    std::function<bool(const std::string& ipAddress, const std::string& portName)> createIpPort;
    // The address check of a printer address; 4096 means no port is to be made.
    std::function<int(const std::string& ipAddress)> checkIpAddress;

    // The application.
    std::function<void()> stopNewHardwareWatcher;
    std::function<void()> startNewHardwareWatcher;
    std::function<void()> waitNoPendingInstall;
    std::function<void()> removeStoredNetworkPorts;
    // Ends the message loop after a termination; cancelled after a confirmed cancel, failed when an
    // item of the run failed.
    std::function<void(bool cancelled, bool failed)> quit;
    // The window that follows the remote install (null: none, as in a silent run).
    std::function<HWND()> remoteInstallWindow;
};
