// Test helper library for the device check: the connected device and the network printer answer
// with the identifiers the test puts in the environment variables KV_TEST_DEVICE_ID and
// KV_TEST_NET_DEVICE_ID; an empty or missing variable means no device.

#include <cstdio>
#include <cstring>
#include <string>

#include "external/HelperApi.h"

#define HELPER_EXPORT extern "C" __declspec(dllexport)

namespace
{
std::string Variable(const char* name)
{
    char value[1024] = {};
    const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof(value));
    return length > 0 && length < sizeof(value) ? std::string(value) : std::string();
}
}  // namespace

HELPER_EXPORT BOOL WINAPI GetDevicePort(const char*, const char*, const char*, char* ports, DWORD* portCount)
{
    const bool connected = !Variable("KV_TEST_DEVICE_ID").empty();
    std::memcpy(ports, "USB007\0", 8);
    *portCount = connected ? 1 : 0;
    return connected;
}

HELPER_EXPORT BOOL WINAPI MyGetDeviceIDFromPort(const char* port, char* deviceId)
{
    const std::string id = Variable("KV_TEST_DEVICE_ID");
    std::snprintf(deviceId, kDeviceIdBufferSize, "%s;PORT:%s", id.c_str(), port);
    return !id.empty();
}

HELPER_EXPORT int WINAPI MyGetPrinterDesc(const char* address, char* description, BOOL)
{
    const std::string id = Variable("KV_TEST_NET_DEVICE_ID");
    std::snprintf(description, kPrinterDescBufferSize, "%s;IP:%s", id.c_str(), address);
    return id.empty() ? 1 : 0;
}
