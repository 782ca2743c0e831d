// Test stand-in for the utility library: the two hardware-wizard entries the watcher threads call count
// their calls; KvWatcherCalls(0) and KvWatcherCalls(1) tell the counts.

#include <windows.h>

#include <type_traits>

#include "external/HelperApi.h"

namespace
{
volatile LONG g_calls[2] = {0, 0};
}

extern "C" __declspec(dllexport) BOOL WINAPI RemoveHardwareWizardDialog()
{
    ::InterlockedIncrement(&g_calls[0]);
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI MySetForegroundNHWdDialog()
{
    ::InterlockedIncrement(&g_calls[1]);
    return TRUE;
}

extern "C" __declspec(dllexport) LONG WINAPI KvWatcherCalls(int which)
{
    return which == 0 || which == 1 ? ::InterlockedCompareExchange(&g_calls[which], 0, 0) : -1;
}

static_assert(std::is_same<decltype(&RemoveHardwareWizardDialog), RemoveHardwareWizardDialogFn>::value,
              "RemoveHardwareWizardDialog");
static_assert(std::is_same<decltype(&MySetForegroundNHWdDialog), MySetForegroundNHWdDialogFn>::value,
              "MySetForegroundNHWdDialog");
