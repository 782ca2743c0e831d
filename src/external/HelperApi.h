#pragma once
// The entry points of the helper libraries beside the installer, as the installer calls them: plain
// (undecorated) export names, standard calling convention, 8-bit strings. A helper library declares
// its exports with these types; a buffer the installer passes without a size has the size given here.

#include <windows.h>

// Installer library.
using MyInstallFn = BOOL(WINAPI*)(int reserved, const char* installingKey, const char* itemKey, int installed);
using MyCreateShortCutFn = BOOL(WINAPI*)(int reserved, const char* installingKey, const char* shortcutKey);

// Utility library. GetDevicePort fills the port names one after the other, each ending with a zero
// byte, an empty name after the last.
constexpr DWORD kDevicePortBufferSize = 16384;
constexpr DWORD kDeviceIdBufferSize = 4096;
using GetDevicePortFn = BOOL(WINAPI*)(const char* mfg, const char* mdl, const char* vidPid, char* ports,
                                      DWORD* portCount);
using StartPreventPnPFn = BOOL(WINAPI*)(const char* deviceId);
using EndPreventPnPFn = BOOL(WINAPI*)(const char* deviceId);
using SystemRefreshFn = BOOL(WINAPI*)(const char* deviceId, const char* vidPid);
using RemoveUnknownDevFn = BOOL(WINAPI*)(const char* deviceId, const char* vidPid);
using RemoveHardwareWizardDialogFn = BOOL(WINAPI*)();
using MySetForegroundNHWdDialogFn = BOOL(WINAPI*)();
using MyGetDeviceIDFromPortFn = BOOL(WINAPI*)(const char* port, char* deviceId);
using SaveFileFn = BOOL(WINAPI*)(const char* file, const char* keyPath, int reserved);
using GetDiskFreeSpaceKVFn = DWORD(WINAPI*)(const char* path);

// Remote install library: one call per target computer with eight 256-character fields.
struct RemoteInstallBlock
{
    char remoteAddress[256];
    char localAddress[256];
    char userName[256];
    char password[256];
    char domain[256];
    char sourceDir[256];
    char registryFile[256];
    char commandLine[256];
};
using DoRemoteInstallFn = BOOL(WINAPI*)(RemoteInstallBlock* block);

// Diagnosis and test-page libraries. A test-page answer of -1 asks for the system's test page.
using DiagnosisFn = int(WINAPI*)(const char* mfg, const char* printer, const char* mdl, const char* vidPid);
using DiagnosisExFn = int(WINAPI*)(const char* mfg, const char* printer, const char* mdl, const char* vidPid,
                                   int reserved);
using PrintTestPageFn = int(WINAPI*)(const char* printer, const char* p2, const char* p3,
                                     const char* resourcePath, const char* p5);
using MetaTestPageFn = int(WINAPI*)(const char* printer, const char* file);
using PrintPrnFileFn = int(WINAPI*)(const char* printer, const char* file);

// Network manager library.
constexpr DWORD kPrinterDescBufferSize = 16384;
constexpr DWORD kIpxAddressBufferSize = 256;
using MySetNetworkPortFn = BOOL(WINAPI*)(const char* port, const char* ipAddress, const char* monitorName,
                                         const char* monitorFile, const char* mutexName, BOOL flag);
using MySetNetworkPortExFn = BOOL(WINAPI*)(const char* port, const char* ipAddress, const char* extra,
                                           const char* ipxAddress, const char* monitorName,
                                           const char* monitorFile, const char* mutexName, BOOL flag);
using MyDelNetworkPortFn = BOOL(WINAPI*)(const char* port, const char* mutexName, BOOL flag);
using MyGetPrinterDescFn = int(WINAPI*)(const char* address, char* description, BOOL publicOid);
using MyGetIPXFn = BOOL(WINAPI*)(const char* ipAddress, char* ipxAddress);

// Pre-installer library.
using PreinstallFn = int(WINAPI*)(const char* commandLine, HWND window);

// Set-IP library. GetNetPrinter entries are 65 bytes each.
constexpr DWORD kNetPrinterEntrySize = 65;
using SetIPFn = int(WINAPI*)(const char* ipAddress, const char* gateway, const char* subnetMask,
                             const char* hardwareAddress);
using GetNetPrinterFn = int(WINAPI*)(BYTE* entries, DWORD size, DWORD* count);
