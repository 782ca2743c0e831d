#include "env/ServiceControl.h"

#include "base/Scoped.h"

namespace
{
constexpr DWORD kMinServicePoll = 100;
constexpr DWORD kMaxServicePoll = 1000;

DWORD OpenServiceFully(const char* name, CServiceHandle& manager, CServiceHandle& service)
{
    if (name == nullptr || *name == '\0')
    {
        return ERROR_INVALID_PARAMETER;
    }
    SC_HANDLE handle = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (handle == nullptr)
    {
        return ::GetLastError();
    }
    manager.Reset(handle);
    handle = ::OpenServiceA(manager.Get(), name, SERVICE_ALL_ACCESS);
    if (handle == nullptr)
    {
        return ::GetLastError();
    }
    service.Reset(handle);
    return ERROR_SUCCESS;
}

DWORD QueryStatus(SC_HANDLE service, SERVICE_STATUS& status)
{
    return ::QueryServiceStatus(service, &status) ? ERROR_SUCCESS : ::GetLastError();
}

// A tenth of the wait hint, kept between 100 ms and one second.
DWORD ServicePollInterval(DWORD waitHint)
{
    const DWORD interval = waitHint / 10;
    return interval < kMinServicePoll ? kMinServicePoll : (interval > kMaxServicePoll ? kMaxServicePoll : interval);
}

// Sends the start or the stop request; a request the service is already carrying out is no error.
DWORD RequestServiceChange(SC_HANDLE service, bool start)
{
    if (start)
    {
        const DWORD err = ::StartServiceA(service, 0, nullptr) ? ERROR_SUCCESS : ::GetLastError();
        return err == ERROR_SERVICE_ALREADY_RUNNING ? ERROR_SUCCESS : err;
    }
    SERVICE_STATUS status = {};
    const DWORD err = ::ControlService(service, SERVICE_CONTROL_STOP, &status) ? ERROR_SUCCESS : ::GetLastError();
    return err == ERROR_SERVICE_NOT_ACTIVE ? ERROR_SUCCESS : err;
}

// Requests the change unless it is under way, then waits while it is pending; status follows the service.
DWORD ChangeAndWait(SC_HANDLE service, bool start, SERVICE_STATUS& status)
{
    const DWORD pending = start ? SERVICE_START_PENDING : SERVICE_STOP_PENDING;
    if (status.dwCurrentState != pending)
    {
        const DWORD err = RequestServiceChange(service, start);
        if (err != ERROR_SUCCESS)
        {
            return err;
        }
    }
    SERVICE_STATUS next = status;
    const DWORD err = QueryStatus(service, next);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    status = next;
    const SystemCheck::ServiceWaitCalls calls = {
        [service](SERVICE_STATUS& s) { return QueryStatus(service, s); },
        [](DWORD milliseconds) { ::Sleep(milliseconds); },
        [] { return ::GetTickCount(); },
    };
    return SystemCheck::WaitWhileServicePending(pending, status, calls);
}

DWORD ChangeServiceAndWait(const char* name, DWORD* state, bool start)
{
    CServiceHandle manager;
    CServiceHandle service;
    DWORD err = OpenServiceFully(name, manager, service);
    SERVICE_STATUS status = {};
    if (err != ERROR_SUCCESS || (err = QueryStatus(service.Get(), status)) != ERROR_SUCCESS)
    {
        return err;
    }
    const DWORD target = start ? SERVICE_RUNNING : SERVICE_STOPPED;
    if (status.dwCurrentState != target)
    {
        err = ChangeAndWait(service.Get(), start, status);
    }
    if (state != nullptr)
    {
        *state = status.dwCurrentState;
    }
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    return status.dwCurrentState == target ? ERROR_SUCCESS : ERROR_INVALID_SERVICE_CONTROL;
}
}  // namespace

namespace SystemCheck
{
DWORD WaitWhileServicePending(DWORD pendingState, SERVICE_STATUS& status, const ServiceWaitCalls& calls)
{
    const DWORD firstTick = calls.tickCount();
    DWORD startTick = firstTick;
    DWORD checkPoint = status.dwCheckPoint;
    while (status.dwCurrentState == pendingState)
    {
        // A service that reports progress for ever would hold the run up for ever.
        if (calls.tickCount() - firstTick >= kMaxServiceWaitMs)
        {
            break;
        }
        calls.sleep(ServicePollInterval(status.dwWaitHint));
        SERVICE_STATUS next = status;
        const DWORD err = calls.query(next);
        if (err != ERROR_SUCCESS)
        {
            return err;
        }
        status = next;
        if (status.dwCheckPoint > checkPoint)
        {
            startTick = calls.tickCount();
            checkPoint = status.dwCheckPoint;
        }
        else if (calls.tickCount() - startTick > status.dwWaitHint)
        {
            break;                                            // no progress within the wait hint
        }
    }
    return ERROR_SUCCESS;
}

DWORD StartServiceAndWait(const char* name, DWORD* state)
{
    return ChangeServiceAndWait(name, state, true);
}

DWORD StopServiceAndWait(const char* name, DWORD* state)
{
    return ChangeServiceAndWait(name, state, false);
}

DWORD QueryServiceState(const char* name, DWORD* state)
{
    if (state == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    CServiceHandle manager;
    CServiceHandle service;
    DWORD err = OpenServiceFully(name, manager, service);
    SERVICE_STATUS status = {};
    if (err == ERROR_SUCCESS && (err = QueryStatus(service.Get(), status)) == ERROR_SUCCESS)
    {
        *state = status.dwCurrentState;
    }
    return err;
}
}  // namespace SystemCheck
