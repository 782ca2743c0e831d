#include "app/HardwareWatcher.h"

#include "env/Platform.h"
#include "external/ExternalFnt.h"
#include "log/Log.h"

CHardwareWatcher::CHardwareWatcher(CLog& log, const CExternalFnt& external, Entry entry, const char* failureText)
    : m_log(log), m_external(external), m_entry(entry), m_failureText(failureText)
{
}

bool CHardwareWatcher::IsWatcherlessOs(int osCode)
{
    return osCode == OS_WIN95 || osCode == OS_WIN95_OSR2 || osCode == OS_NT3 || osCode == OS_NT4;
}

// One running thread per watcher: a start while it runs keeps it. A stopped thread still in its pass
// is not waited for: it keeps its own stop state and ends by it, and is only remembered for the end.
bool CHardwareWatcher::Start(int osCode, const ThreadStarter& starter, const Pause& pause, DWORD interval)
{
    if (IsWatcherlessOs(osCode))
    {
        return true;
    }
    if (m_thread.IsValid())
    {
        const bool alive = ::WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT;
        if (alive && m_pass->running)
        {
            return true;
        }
        if (alive)
        {
            m_stopped.push_back(std::move(m_thread));
        }
        m_thread.Reset();
    }
    ForgetEndedThreads();
    auto pass = std::make_shared<Pass>();
    pass->external = &m_external;
    pass->entry = m_entry;
    pass->pause = pause;
    pass->interval = interval;
    pass->wake.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    // The thread holds its own share of the state; it lets go of it as it ends.
    auto* share = new std::shared_ptr<Pass>(pass);
    HANDLE thread = starter(ThreadMain, share);
    if (thread == nullptr)
    {
        const DWORD err = ::GetLastError();
        delete share;
        m_log.WriteError(err, "%s", m_failureText);
        return false;
    }
    m_pass = std::move(pass);
    m_thread.Reset(thread);
    return true;
}

bool CHardwareWatcher::Stop()
{
    if (m_pass)
    {
        m_pass->running = false;
        if (m_pass->wake.IsValid())
        {
            (void)::SetEvent(m_pass->wake.Get());
        }
    }
    return true;
}

bool CHardwareWatcher::StopAndWait(DWORD milliseconds)
{
    (void)Stop();
    const DWORD start = ::GetTickCount();
    bool ended = true;
    const auto waitFor = [&](const CHandle& thread) {
        if (!thread.IsValid())
        {
            return;
        }
        const DWORD waited = ::GetTickCount() - start;
        const DWORD left = waited < milliseconds ? milliseconds - waited : 0;
        ended = ::WaitForSingleObject(thread.Get(), left) != WAIT_TIMEOUT && ended;
    };
    waitFor(m_thread);
    for (const CHandle& thread : m_stopped)
    {
        waitFor(thread);
    }
    return ended;
}

bool CHardwareWatcher::HasEnded() const
{
    const auto ended = [](const CHandle& thread) {
        return !thread.IsValid() || ::WaitForSingleObject(thread.Get(), 0) != WAIT_TIMEOUT;
    };
    if (!ended(m_thread))
    {
        return false;
    }
    for (const CHandle& thread : m_stopped)
    {
        if (!ended(thread))
        {
            return false;
        }
    }
    return true;
}

void CHardwareWatcher::ForgetEndedThreads()
{
    std::vector<CHandle> running;
    for (CHandle& thread : m_stopped)
    {
        if (::WaitForSingleObject(thread.Get(), 0) == WAIT_TIMEOUT)
        {
            running.push_back(std::move(thread));
        }
    }
    m_stopped.swap(running);
}

void CHardwareWatcher::Watch(Pass& pass)
{
    while (pass.running)
    {
        (void)(pass.external->*pass.entry)();
        if (pass.running)
        {
            pass.pause(pass.wake.Get(), pass.interval);
        }
    }
}

DWORD WINAPI CHardwareWatcher::ThreadMain(void* parameter)
{
    const std::unique_ptr<std::shared_ptr<Pass>> share(static_cast<std::shared_ptr<Pass>*>(parameter));
    Watch(**share);
    return 0;
}
