#pragma once
// One of the two threads that keep Windows' hardware wizards out of the way: it calls one entry of the
// utility library, pauses, and calls it again until it is stopped. Windows 95 and NT 4 and older have
// no such wizards: there the watcher starts no thread. Nobody waits for a watcher while the run goes
// on: a stop only asks its thread to end after its current pass. Each thread has a stop state of its
// own, so a start after a stop never waits for the stopped thread: that one ends on its own state
// while the new one runs. The owner ends every thread (StopAndWait) before the watcher, the utility
// library and the log go away.

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "base/Scoped.h"

class CExternalFnt;
class CLog;

class CHardwareWatcher
{
public:
    // The utility library's entry the watcher calls once per pass.
    using Entry = BOOL (CExternalFnt::*)() const;
    // Starts a thread running routine(parameter); null (last error set) when it cannot.
    using ThreadStarter = std::function<HANDLE(LPTHREAD_START_ROUTINE routine, void* parameter)>;
    // The pause between two passes: waits until wake is set or interval ms have passed.
    using Pause = std::function<void(HANDLE wake, DWORD interval)>;

    // failureText: the log line, with the system error, when the thread cannot be made.
    CHardwareWatcher(CLog& log, const CExternalFnt& external, Entry entry, const char* failureText);
    CHardwareWatcher(const CHardwareWatcher&) = delete;
    CHardwareWatcher& operator=(const CHardwareWatcher&) = delete;

    // True without a thread on a system without hardware wizards (osCode), and while a thread runs
    // already; false (logged) when the thread cannot be made. A start after a stop makes a new thread
    // at once, whether the stopped one has ended or is still in its last pass. The pause and its
    // interval are those of the new thread.
    bool Start(int osCode, const ThreadStarter& starter, const Pause& pause, DWORD interval);
    // The thread ends after its current pass, without waiting for the next one. Always true.
    bool Stop();
    // Stop, then wait at most milliseconds in all for this watcher's threads (a stopped one still in
    // its last pass included) to end; false while one is still in its pass.
    bool StopAndWait(DWORD milliseconds);
    // True when no thread of this watcher is still running.
    bool HasEnded() const;

    // True for the systems without hardware wizards of that kind: Windows 95 and NT 4 and older.
    static bool IsWatcherlessOs(int osCode);

private:
    // What one thread reads: shared by the watcher and its thread, so that it lasts as long as either.
    struct Pass
    {
        const CExternalFnt* external = nullptr;
        Entry entry = nullptr;
        Pause pause;
        DWORD interval = 0;
        std::atomic<bool> running{true};
        CHandle wake;                                         // set by Stop: no wait for the next pass
    };

    static DWORD WINAPI ThreadMain(void* parameter);
    static void Watch(Pass& pass);
    void ForgetEndedThreads();

    CLog& m_log;
    const CExternalFnt& m_external;
    Entry m_entry;
    const char* m_failureText;
    std::shared_ptr<Pass> m_pass;                             // the current thread's; null before a start
    CHandle m_thread;
    std::vector<CHandle> m_stopped;                           // stopped threads that were still in a pass
};
