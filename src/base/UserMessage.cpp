#include "base/UserMessage.h"

#include <utility>

namespace {

// The handler is replaced rarely (start-up, wizard creation, tests) but may be read from worker
// threads, so both sides take the lock; the call itself runs outside it.
struct HandlerSlot
{
    HandlerSlot() { ::InitializeCriticalSection(&lock); }
    ~HandlerSlot() { ::DeleteCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    UserMessageHandler handler;
};

HandlerSlot& Slot()
{
    static HandlerSlot slot;
    return slot;
}

} // namespace

UserMessageHandler SetUserMessageHandler(UserMessageHandler handler)
{
    HandlerSlot& slot = Slot();
    ::EnterCriticalSection(&slot.lock);
    UserMessageHandler previous = std::move(slot.handler);
    slot.handler = std::move(handler);
    ::LeaveCriticalSection(&slot.lock);
    return previous;
}

int ShowUserMessage(HWND owner, const std::string& text, const std::string& caption, UINT type)
{
    HandlerSlot& slot = Slot();
    ::EnterCriticalSection(&slot.lock);
    UserMessageHandler handler = slot.handler;
    ::LeaveCriticalSection(&slot.lock);
    if (handler)
    {
        return handler(owner, text, caption, type);
    }
    return ::MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}
