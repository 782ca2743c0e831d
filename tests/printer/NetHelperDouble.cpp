// Stand-in for the network helper libraries: answers from the shared state, records the port calls.

#include <cstdio>
#include <cstring>

#include "NetHelperDouble.h"

#define DOUBLE_EXPORT extern "C" __declspec(dllexport)

namespace
{
NetDoubleStateData g_state = {};

void Record(const char* line)
{
    const size_t used = std::strlen(g_state.calls);
    std::snprintf(g_state.calls + used, sizeof(g_state.calls) - used, "%s\n", line);
}
}  // namespace

DOUBLE_EXPORT NetDoubleStateData* WINAPI NetDoubleState()
{
    return &g_state;
}

DOUBLE_EXPORT int WINAPI GetNetPrinter(BYTE* entries, DWORD size, DWORD* count)
{
    if (entries == nullptr)
    {
        *count = g_state.printerCount;
        return g_state.countAnswer;
    }
    g_state.bufferSize = size;
    const DWORD fit = size / 65 < 4 ? size / 65 : 4;
    const DWORD copied = g_state.printerCount < fit ? g_state.printerCount : fit;
    std::memcpy(entries, g_state.entries, copied * 65);
    *count = g_state.claimedCount;
    return 0;
}

DOUBLE_EXPORT int WINAPI MyGetPrinterDesc(const char* address, char* description, BOOL publicOid)
{
    for (const NetDoubleAddress& entry : g_state.addresses)
    {
        if (std::strcmp(entry.address, address) == 0)
        {
            std::strcpy(description, entry.description);
            return entry.result;
        }
    }
    return 2;
}

DOUBLE_EXPORT BOOL WINAPI MySetNetworkPort(const char* port, const char* address, const char* monitorName,
                                          const char* monitorFile, const char* mutexName, BOOL flag)
{
    char line[512];
    std::snprintf(line, sizeof(line), "Set %s %s %s %s %s %d", port, address, monitorName, monitorFile, mutexName,
                  flag);
    Record(line);
    return g_state.setPortResult;
}

DOUBLE_EXPORT BOOL WINAPI MySetNetworkPortEx(const char* port, const char* address, const char* extra,
                                            const char* ipx, const char* monitorName, const char* monitorFile,
                                            const char* mutexName, BOOL flag)
{
    char line[512];
    std::snprintf(line, sizeof(line), "SetEx %s %s %s %s %s %s %s %d", port, address, extra, ipx, monitorName,
                  monitorFile, mutexName, flag);
    Record(line);
    return g_state.setPortResult;
}

DOUBLE_EXPORT BOOL WINAPI MyDelNetworkPort(const char* port, const char* mutexName, BOOL flag)
{
    char line[512];
    std::snprintf(line, sizeof(line), "Del %s %s %d", port, mutexName, flag);
    Record(line);
    return TRUE;
}

DOUBLE_EXPORT BOOL WINAPI MyGetIPX(const char* address, char* ipx)
{
    if (g_state.ipxResult)
    {
        std::strcpy(ipx, "IPX-0001");
    }
    return g_state.ipxResult;
}

DOUBLE_EXPORT BOOL WINAPI GetDevicePort(const char* mfg, const char* mdl, const char* vidPid, char* ports,
                                       DWORD* count)
{
    std::memcpy(ports, g_state.localPorts, sizeof(g_state.localPorts));
    *count = g_state.localPortCount;
    return g_state.localPortCount > 0;
}
