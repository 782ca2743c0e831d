#include "log/WorkerStop.h"

#include "base/BoundedWait.h"
#include "log/Log.h"

bool WorkerStop::StopAndWait(HANDLE thread, const std::function<void()>& askToStop, DWORD boundMs, CLog& log,
                             const char* name, DWORD sliceMs)
{
    if (thread == nullptr)
    {
        return true;
    }
    if (askToStop)
    {
        askToStop();
    }
    const bool ended = BoundedWait::WaitPumping(thread, boundMs, BoundedWait::Pump::kAll, sliceMs);
    if (!ended)
    {
        log.Write("Thread [%s] did not end within %lu ms", name != nullptr ? name : "", boundMs);
    }
    return ended;
}
