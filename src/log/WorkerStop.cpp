#include "log/WorkerStop.h"

#include "log/Log.h"

namespace
{
// Dispatches every message waiting for this thread; PeekMessage itself delivers the messages other
// threads send. False once WM_QUIT was taken out (its code in quitCode): the rest stays queued.
bool DispatchWaiting(WPARAM& quitCode)
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    {
        if (message.message == WM_QUIT)
        {
            quitCode = message.wParam;
            return false;
        }
        (void)::TranslateMessage(&message);
        (void)::DispatchMessageA(&message);
    }
    return true;
}

// After WM_QUIT only sent messages are answered: a peek for a message that cannot be queued again
// delivers them and removes nothing.
void AnswerSentOnly()
{
    MSG message;
    (void)::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
}
}  // namespace

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
    const DWORD start = ::GetTickCount();
    bool quit = false;
    WPARAM quitCode = 0;
    bool ended = false;
    for (;;)
    {
        if (quit)
        {
            AnswerSentOnly();
        }
        else
        {
            quit = !DispatchWaiting(quitCode);
        }
        const DWORD waited = ::GetTickCount() - start;
        if (::WaitForSingleObject(thread, 0) != WAIT_TIMEOUT || waited >= boundMs)
        {
            ended = ::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
            break;
        }
        const DWORD left = boundMs - waited;
        const DWORD result = ::MsgWaitForMultipleObjects(1, &thread, FALSE, left < sliceMs ? left : sliceMs,
                                                         quit ? QS_SENDMESSAGE : QS_ALLINPUT);
        if (result == WAIT_OBJECT_0 || result == WAIT_FAILED)
        {
            ended = result == WAIT_OBJECT_0;
            break;
        }
    }
    if (quit)
    {
        ::PostQuitMessage(static_cast<int>(quitCode));
    }
    if (!ended)
    {
        log.Write("Thread [%s] did not end within %lu ms", name != nullptr ? name : "", boundMs);
    }
    return ended;
}
