// Test stand-in for the utility library: GetDevicePort answers with the port named by the environment
// variable KV_TEST_DEVICE_PORT (no device when it is not set) and leaves the identity it was given in
// KV_TEST_DEVICE_ARGS as "mfg|mdl|vidpid".

#include <windows.h>

#include <cstring>
#include <string>
#include <type_traits>

#include "external/HelperApi.h"

extern "C" __declspec(dllexport) BOOL WINAPI
    GetDevicePort(const char* mfg, const char* mdl, const char* vidPid, char* ports, DWORD* portCount)
{
    const std::string args = std::string(mfg) + "|" + mdl + "|" + vidPid;
    ::SetEnvironmentVariableA("KV_TEST_DEVICE_ARGS", args.c_str());
    char port[256] = {};
    const DWORD length = ::GetEnvironmentVariableA("KV_TEST_DEVICE_PORT", port, sizeof(port));
    if (length == 0 || length >= sizeof(port))
    {
        *portCount = 0;
        return FALSE;
    }
    std::memcpy(ports, port, length + 1);
    ports[length + 1] = '\0';
    *portCount = 1;
    return TRUE;
}

static_assert(std::is_same<decltype(&GetDevicePort), GetDevicePortFn>::value, "GetDevicePort");
