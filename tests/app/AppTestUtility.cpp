// Test stand-in for the utility library: the two hardware-wizard entries the watcher threads call count
// their calls; KvWatcherCalls(0) and KvWatcherCalls(1) tell the counts. While the event named by the
// environment variable KV_TEST_WATCHER_HOLD exists and is not set, RemoveHardwareWizardDialog waits for
// it: a helper call that hangs.

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
    char name[128] = {};
    if (::GetEnvironmentVariableA("KV_TEST_WATCHER_HOLD", name, sizeof(name)) > 0)
    {
        const HANDLE hold = ::OpenEventA(SYNCHRONIZE, FALSE, name);
        if (hold != nullptr)
        {
            (void)::WaitForSingleObject(hold, INFINITE);
            (void)::CloseHandle(hold);
        }
    }
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
