// Test helper library that fails inside: the text argument names the fault. It exports only a few
// utility and test-page entry points, so that the others are missing.

#include <cstring>
#include <stdexcept>

#include "external/HelperApi.h"

#define HELPER_EXPORT extern "C" __declspec(dllexport)

namespace
{
volatile int g_zero = 0;
volatile int g_stop = 0;

// Reserved, never committed: every access faults. (Address 0 may be mapped in a 32-bit process under Wine.)
volatile int* Nowhere()
{
    static void* const reserved = ::VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS);
    return static_cast<volatile int*>(reserved);
}

__attribute__((noinline)) int Recurse(int depth)
{
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    if (g_stop != 0)
    {
        return frame[0];
    }
    return Recurse(depth + 1) + frame[0];                    // used after the call: no tail call
}

struct HandlerFrame
{
    HandlerFrame* next;
    void* handler;
};

EXCEPTION_DISPOSITION __cdecl PassOn(EXCEPTION_RECORD*, void*, CONTEXT*, void*)
{
    return ExceptionContinueSearch;
}

// Faults as named; "handled" throws and catches its own exception; anything else answers 77.
int Fail(const char* kind)
{
    if (std::strcmp(kind, "access") == 0)
    {
        *Nowhere() = 1;
    }
    else if (std::strcmp(kind, "divide") == 0)
    {
        return 10 / g_zero;
    }
    else if (std::strcmp(kind, "illegal") == 0)
    {
        __builtin_trap();
    }
    else if (std::strcmp(kind, "stack") == 0)
    {
        return Recurse(0);
    }
    else if (std::strcmp(kind, "raise") == 0)
    {
        ::RaiseException(0xE0474B01, 0, 0, nullptr);
    }
    else if (std::strcmp(kind, "noncontinuable") == 0)
    {
        ::RaiseException(0xE0474B02, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    }
    else if (std::strcmp(kind, "handled") == 0)
    {
        try
        {
            throw std::runtime_error("inside");
        }
        catch (const std::runtime_error&)
        {
            return 5;
        }
    }
    else if (std::strcmp(kind, "chain") == 0)
    {
        // A frame handler of its own on the thread's chain, left there by the fault.
        NT_TIB* tib = nullptr;
#if defined(__x86_64__)
        __asm__("movq %%gs:0x30, %0" : "=r"(tib));
#else
        __asm__("movl %%fs:0x18, %0" : "=r"(tib));
#endif
        HandlerFrame frame = {reinterpret_cast<HandlerFrame*>(tib->ExceptionList),
                              reinterpret_cast<void*>(&PassOn)};
        tib->ExceptionList = reinterpret_cast<struct _EXCEPTION_REGISTRATION_RECORD*>(&frame);
        *Nowhere() = 2;
    }
    return 77;
}
}  // namespace

HELPER_EXPORT DWORD WINAPI GetDiskFreeSpaceKV(const char* path)
{
    return static_cast<DWORD>(Fail(path));
}

HELPER_EXPORT int WINAPI PrintPrnFile(const char* printer, const char* file)
{
    return Fail(file);
}

HELPER_EXPORT BOOL WINAPI RemoveHardwareWizardDialog()
{
    return Fail("access");
}
