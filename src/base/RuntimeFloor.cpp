// Linked into every shipped program and DLL (kv_ship in cmake/KvFloor.cmake). The compiler's runtime
// creates the semaphores of its internal locks (exception unwinding, thread-local data) with
// CreateSemaphoreW, which Windows 95, 98 and Me export only as a stub that fails: a second thread
// waiting for such a lock would find no semaphore. This definition of the runtime's import slot takes
// the place of the system's entry and creates them with CreateSemaphoreA, which every Windows has.

#include <windows.h>

namespace
{
HANDLE WINAPI CreateSemaphoreNarrow(LPSECURITY_ATTRIBUTES attributes, LONG initialCount, LONG maximumCount,
                                    LPCWSTR name)
{
    if (name != nullptr)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);              // the runtime's semaphores have no names
        return nullptr;
    }
    return ::CreateSemaphoreA(attributes, initialCount, maximumCount, nullptr);
}
}  // namespace

#if defined(__x86_64__)
extern "C" decltype(&CreateSemaphoreNarrow) g_createSemaphoreSlot __asm__("__imp_CreateSemaphoreW");
decltype(&CreateSemaphoreNarrow) g_createSemaphoreSlot = &CreateSemaphoreNarrow;
#else
extern "C" decltype(&CreateSemaphoreNarrow) g_createSemaphoreSlot __asm__("__imp__CreateSemaphoreW@16");
decltype(&CreateSemaphoreNarrow) g_createSemaphoreSlot = &CreateSemaphoreNarrow;
#endif
