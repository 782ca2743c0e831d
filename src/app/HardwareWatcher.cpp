#include "app/HardwareWatcher.h"

#include "env/Platform.h"
#include "external/ExternalFnt.h"
#include "log/Log.h"

CHardwareWatcher::CHardwareWatcher(CLog& log, const CExternalFnt& external, Entry entry, const char* failureText)
    : m_log(log),
      m_external(external),
      m_entry(entry),
      m_failureText(failureText),
      m_wake(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
}

bool CHardwareWatcher::IsWatcherlessOs(int osCode)
{
    return osCode == OS_WIN95 || osCode == OS_WIN95_OSR2 || osCode == OS_NT3 || osCode == OS_NT4;
}

// One thread per watcher: a start while it runs keeps it.
bool CHardwareWatcher::Start(int osCode, const ThreadStarter& starter, const Pause& pause, DWORD interval)
{
    if (IsWatcherlessOs(osCode))
    {
        return true;
    }
    if (m_thread.IsValid())
    {
        if (m_running && ::WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT)
        {
            return true;
        }
        (void)::WaitForSingleObject(m_thread.Get(), INFINITE);
        m_thread.Reset();
    }
    m_running = true;
    m_pause = pause;
    m_interval = interval;
    if (m_wake.IsValid())
    {
        (void)::ResetEvent(m_wake.Get());
    }
    HANDLE thread = starter(ThreadMain, this);
    const DWORD err = thread != nullptr ? ERROR_SUCCESS : ::GetLastError();
    if (thread == nullptr)
    {
        m_log.WriteError(err, "%s", m_failureText);
        return false;
    }
    m_thread.Reset(thread);
    return true;
}

bool CHardwareWatcher::Stop()
{
    m_running = false;
    if (m_wake.IsValid())
    {
        (void)::SetEvent(m_wake.Get());
    }
    return true;
}

bool CHardwareWatcher::StopAndWait(DWORD milliseconds)
{
    (void)Stop();
    return !m_thread.IsValid() || ::WaitForSingleObject(m_thread.Get(), milliseconds) != WAIT_TIMEOUT;
}

bool CHardwareWatcher::HasEnded() const
{
    return !m_thread.IsValid() || ::WaitForSingleObject(m_thread.Get(), 0) != WAIT_TIMEOUT;
}

void CHardwareWatcher::Watch()
{
    while (m_running)
    {
        (void)(m_external.*m_entry)();
        if (m_running)
        {
            m_pause(m_wake.Get(), m_interval);
        }
    }
}

DWORD WINAPI CHardwareWatcher::ThreadMain(void* parameter)
{
    static_cast<CHardwareWatcher*>(parameter)->Watch();
    return 0;
}
