#include "base/BoundedWait.h"

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

// Answers the messages other threads have sent and removes nothing: a peek for a message that
// cannot be queued again delivers the sent ones on its way.
void AnswerSentOnly()
{
    MSG message;
    (void)::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
}
}  // namespace

bool BoundedWait::WaitPumping(HANDLE handle, DWORD boundMs, Pump pump, DWORD sliceMs)
{
    if (handle == nullptr)
    {
        return true;
    }
    const DWORD start = ::GetTickCount();
    bool sentOnly = pump == Pump::kSentOnly;
    bool quit = false;
    WPARAM quitCode = 0;
    bool ended = false;
    for (;;)
    {
        if (sentOnly)
        {
            AnswerSentOnly();
        }
        else if (!DispatchWaiting(quitCode))
        {
            quit = true;
            sentOnly = true;
        }
        const DWORD waited = ::GetTickCount() - start;
        if (::WaitForSingleObject(handle, 0) != WAIT_TIMEOUT || waited >= boundMs)
        {
            ended = ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
            break;
        }
        const DWORD left = boundMs - waited;
        const DWORD result = ::MsgWaitForMultipleObjects(1, &handle, FALSE, left < sliceMs ? left : sliceMs,
                                                         sentOnly ? QS_SENDMESSAGE : QS_ALLINPUT);
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
    return ended;
}
