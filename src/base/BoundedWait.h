#pragma once
// Waiting on the user-interface thread for a worker without blocking that thread: the wait runs in
// short slices and answers, between and during the slices, the messages other threads send to this
// one, so a worker that sends to one of this thread's windows while it is waited for still gets its
// answer and can end. The wait never goes on past its bound.

#include <windows.h>

namespace BoundedWait
{
constexpr DWORD kSliceMs = 100;

enum class Pump
{
    kAll,          // posted messages are dispatched too
    kSentOnly,     // only sent messages are answered; posted ones stay queued for the caller's loop
};

// Waits at most boundMs for handle to be signalled, in slices of sliceMs. True when it was (at once
// for a null handle); false at the bound or when the handle cannot be waited on. With kAll a WM_QUIT
// met while waiting ends the dispatching of posted messages (sent ones are still answered) and is
// posted again before returning, so the caller's message loop still ends.
bool WaitPumping(HANDLE handle, DWORD boundMs, Pump pump = Pump::kAll, DWORD sliceMs = kSliceMs);
}  // namespace BoundedWait
