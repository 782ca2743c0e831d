// The remote-install library: hands the install over to one target computer per call. Here the
// printer simulator stands in for the target computers ("INSTALL <computer>"), so the remote-install
// dialogs can be tried without a network. Steps go to "<temp>Kvrmtint.log".

#include <windows.h>

#include <string>
#include <vector>

#include "common/HelperLog.h"
#include "common/HelperText.h"
#include "common/SimClient.h"
#include "external/HelperApi.h"

#define HELPER_EXPORT extern "C" __declspec(dllexport)

namespace
{
HMODULE g_module = nullptr;
const CHelperLog kLog("Kvrmtint");

std::string Field(const char* field)
{
    return std::string(field, ::lstrlenA(field) < 256 ? ::lstrlenA(field) : 255);
}
}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        g_module = instance;
    }
    return TRUE;
}

// TRUE when the computer took the install.
HELPER_EXPORT BOOL WINAPI DoRemoteInstall(RemoteInstallBlock* block)
{
    if (block == nullptr)
    {
        kLog.Write("DoRemoteInstall: no parameter block");
        return FALSE;
    }
    const std::string computer = helper::Trim(Field(block->remoteAddress), " \t\\");
    kLog.Write("DoRemoteInstall(%s,%s,%s,%s)", computer.c_str(), Field(block->userName).c_str(),
               Field(block->sourceDir).c_str(), Field(block->commandLine).c_str());
    if (computer.empty() || computer.find(' ') != std::string::npos)
    {
        kLog.Write("No target computer");
        return FALSE;
    }
    std::vector<std::string> lines;
    const DWORD err = helper::AskSimulator(helper::SimulatorOf(g_module), "INSTALL " + computer, lines);
    if (err != 0)
    {
        kLog.WriteError(err, "Computer %s does not answer", computer.c_str());
        return FALSE;
    }
    kLog.Write("Computer %s: %s", computer.c_str(), lines[0].c_str());
    return lines[0] == "OK" ? TRUE : FALSE;
}

HELPER_EXPORT BOOL WINAPI CheckRemoteAdmin(const char* computer)
{
    return computer != nullptr && *computer != '\0';
}

HELPER_EXPORT BOOL WINAPI CheckLogonUser(const char* user, const char* password, const char* domain)
{
    return user != nullptr && *user != '\0';
}
