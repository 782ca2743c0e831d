#pragma once
// Ending a worker thread from the user-interface thread without blocking that thread: the worker is
// asked to stop, then waited for in short slices while the caller's sent and posted messages are
// dispatched, so that a worker that sends a message to one of the caller's windows while it is being
// stopped still gets its answer and can end. The wait itself is base/BoundedWait's.

#include <windows.h>

#include <functional>

#include "base/BoundedWait.h"

class CLog;

namespace WorkerStop
{
constexpr DWORD kSliceMs = BoundedWait::kSliceMs;

// Calls askToStop (when given), then waits at most boundMs for thread to end, dispatching the calling
// thread's messages before each slice of sliceMs. True when the thread has ended (at once for a null
// handle); false when it still runs at the bound, logged once as "Thread [name] did not end within
// %lu ms". A WM_QUIT met while waiting ends the dispatching of posted messages (sent ones are still
// answered) and is posted again before returning, so the caller's message loop still ends. The thread
// handle stays the caller's.
bool StopAndWait(HANDLE thread, const std::function<void()>& askToStop, DWORD boundMs, CLog& log,
                 const char* name, DWORD sliceMs = kSliceMs);
}  // namespace WorkerStop
