#pragma once
// The answers of the network helper double and what it was asked, shared by the double (one library
// standing in for the utility, network-manager and set-IP libraries) and the tests, which reach its
// state through the exported NetDoubleState.

#include <windows.h>

struct NetDoubleAddress
{
    char address[32];
    char description[128];
    int result;                            // MyGetPrinterDesc's answer for the address
};

struct NetDoubleStateData
{
    int countAnswer;                       // GetNetPrinter without a buffer: 1 and printerCount
    DWORD printerCount;
    DWORD claimedCount;                    // the count reported with a buffer (may exceed what fits)
    BYTE entries[4][65];
    NetDoubleAddress addresses[4];
    BOOL setPortResult;
    BOOL ipxResult;
    char localPorts[64];                   // GetDevicePort's names, each ended by a zero byte
    DWORD localPortCount;
    DWORD bufferSize;                      // the size GetNetPrinter was given with a buffer
    char calls[4096];                      // one line per port call
};

using NetDoubleStateFn = NetDoubleStateData*(WINAPI*)();
