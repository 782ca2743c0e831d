// The set-address library: the list of network printers and address changes, asked of the printer
// simulator (common/SimClient.h). Steps go to "<temp>Setip.log".

#include <windows.h>

#include <cstdlib>
#include <cstring>
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
const CHelperLog kLog("Setip");

// Offsets inside one 65-byte printer entry.
constexpr size_t kModelAt = 7, kModelSize = 20, kMacAt = 47, kIpAt = 53, kMaskAt = 57, kGatewayAt = 61;

void PutDotted(BYTE* target, const std::string& dotted)
{
    const std::vector<std::string> parts = helper::Split(dotted, '.');
    for (size_t i = 0; i < 4 && i < parts.size(); ++i)
    {
        target[i] = static_cast<BYTE>(std::atoi(parts[i].c_str()));
    }
}

void PutMac(BYTE* target, const std::string& mac)
{
    std::string hex;
    for (char c : mac)
    {
        if (c != '-' && c != ':')
        {
            hex += c;
        }
    }
    for (size_t i = 0; i < 6 && 2 * i + 1 < hex.size(); ++i)
    {
        target[i] = static_cast<BYTE>(std::strtoul(hex.substr(2 * i, 2).c_str(), nullptr, 16));
    }
}

// "model|mac|ip|mask|gateway" into one entry.
void FillEntry(BYTE* entry, const std::string& line)
{
    const std::vector<std::string> fields = helper::Split(line, '|');
    std::memset(entry, 0, kNetPrinterEntrySize);
    if (fields.size() < 5)
    {
        return;
    }
    std::memcpy(entry + kModelAt, fields[0].c_str(), fields[0].size() < kModelSize ? fields[0].size() : kModelSize);
    PutMac(entry + kMacAt, fields[1]);
    PutDotted(entry + kIpAt, fields[2]);
    PutDotted(entry + kMaskAt, fields[3]);
    PutDotted(entry + kGatewayAt, fields[4]);
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

// No buffer: 1 and the number of printers. A buffer: 0 when filled (as many as fit). A simulator
// that does not answer: ERROR_TIMEOUT, nothing written.
HELPER_EXPORT int WINAPI GetNetPrinter(BYTE* entries, DWORD size, DWORD* count)
{
    kLog.Write("GetNetPrinter(%d,%lu)", entries != nullptr ? 1 : 0, size);
    if (count == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::vector<std::string> lines;
    const DWORD err = helper::AskSimulator(helper::SimulatorOf(g_module), "LIST", lines);
    if (err != 0 || lines.back() != "END")
    {
        kLog.WriteError(err, "The printer list does not answer");
        return ERROR_TIMEOUT;
    }
    lines.pop_back();
    if (entries == nullptr)
    {
        *count = static_cast<DWORD>(lines.size());
        return 1;
    }
    DWORD filled = 0;
    for (const std::string& line : lines)
    {
        if ((filled + 1) * kNetPrinterEntrySize > size)
        {
            break;
        }
        FillEntry(entries + filled * kNetPrinterEntrySize, line);
        ++filled;
    }
    *count = filled;
    kLog.Write("GetNetPrinter: %lu printer(s)", filled);
    return 0;
}

// 0 when the printer took the address; else its error code, ERROR_TIMEOUT when nobody answered,
// ERROR_INVALID_PARAMETER when a value is missing.
HELPER_EXPORT int WINAPI SetIP(const char* ipAddress, const char* gateway, const char* subnetMask,
                               const char* hardwareAddress)
{
    const std::string ip = helper::Text(ipAddress), gw = helper::Text(gateway), mask = helper::Text(subnetMask);
    const std::string mac = helper::Text(hardwareAddress);
    kLog.Write("SetIP(%s,%s,%s,%s)", ip.c_str(), gw.c_str(), mask.c_str(), mac.c_str());
    if (ip.empty() || gw.empty() || mask.empty() || mac.empty())
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::vector<std::string> lines;
    const DWORD err = helper::AskSimulator(helper::SimulatorOf(g_module), "SETIP " + mac + " " + ip + " " + mask + " " + gw,
                                           lines);
    if (err != 0)
    {
        kLog.WriteError(err, "The printer %s does not answer", mac.c_str());
        return ERROR_TIMEOUT;
    }
    if (lines[0] == "OK")
    {
        return 0;
    }
    const int code = lines[0].size() > 4 ? std::atoi(lines[0].c_str() + 4) : 1;
    kLog.Write("The printer %s refused the address: %d", mac.c_str(), code);
    return code != 0 ? code : 1;
}

HELPER_EXPORT BOOL WINAPI VerifyNetworkPrinter(const char* ipAddress)
{
    std::vector<std::string> lines;
    return helper::AskSimulator(helper::SimulatorOf(g_module), "DESC " + helper::Text(ipAddress), lines) == 0 &&
           lines[0].compare(0, 3, "OK ") == 0;
}
