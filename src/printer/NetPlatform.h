#pragma once
// The platform's own calls behind UNC ports and the firewall service, looked up at run time where
// older systems lack them.

#include "printer/NetPrinterList.h"

// The status xcvAddPort leaves when the Local Port monitor could not be opened.
constexpr DWORD kXcvNotOpened = 0xFFFFFFFF;

NetPlatformCalls SystemNetPlatformCalls();
