#pragma once
// System checks, services: start, stop and state through the service control manager, waiting while a
// change is pending. They report by their results and never log.

#include <windows.h>
#include <winsvc.h>

#include <functional>

namespace SystemCheck
{
// Start or stop a service and wait while it is pending; 0 with state SERVICE_RUNNING (4) or
// SERVICE_STOPPED (1), 1052 when it ended in another state, otherwise the Windows error code. state
// (may be null) receives the last state seen, also on failure once one was read.
DWORD StartServiceAndWait(const char* name, DWORD* state);
DWORD StopServiceAndWait(const char* name, DWORD* state);
// The service's current state; 87 when state is null.
DWORD QueryServiceState(const char* name, DWORD* state);

// The platform calls the pending wait uses: QueryServiceStatus as an error code, Sleep, GetTickCount.
struct ServiceWaitCalls
{
    std::function<DWORD(SERVICE_STATUS& status)> query;
    std::function<void(DWORD milliseconds)> sleep;
    std::function<DWORD()> tickCount;
};

// The longest a service may stay pending, progress or not (ten minutes).
constexpr DWORD kMaxServiceWaitMs = 10 * 60 * 1000;

// Waits while status shows pendingState: a tenth of the wait hint per round (100 to 1000 ms), the timer
// restarted whenever the checkpoint advances, given up once the wait hint has passed without progress
// or kMaxServiceWaitMs in all. status holds the last state read; returns the failing query's error,
// else 0.
DWORD WaitWhileServicePending(DWORD pendingState, SERVICE_STATUS& status, const ServiceWaitCalls& calls);
}  // namespace SystemCheck
