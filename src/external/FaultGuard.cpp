#include "external/FaultGuard.h"

#if defined(_MSC_VER)

#include <malloc.h>

namespace
{
int TakeException(const EXCEPTION_POINTERS* info, CFaultGuard::Outcome* outcome)
{
    outcome->code = info->ExceptionRecord->ExceptionCode;
    outcome->address = info->ExceptionRecord->ExceptionAddress;
    return EXCEPTION_EXECUTE_HANDLER;
}
}  // namespace

CFaultGuard::Mechanism CFaultGuard::ActiveMechanism()
{
    return Mechanism::kFrameHandler;                          // the compiler's own frame-based handling
}

bool CFaultGuard::ForceFrameHandler()
{
    return true;
}

CFaultGuard::Outcome CFaultGuard::RunCall(void (*invoke)(void*), void* call)
{
    Outcome outcome;
    __try
    {
        invoke(call);
        outcome.completed = true;
    }
    __except (TakeException(GetExceptionInformation(), &outcome))
    {
    }
    // Outside the handler block, where the stack is unwound: an overflow used up the guard page, and
    // without it the next overflow on this thread would end the process.
    if (!outcome.completed && outcome.code == EXCEPTION_STACK_OVERFLOW)
    {
        (void)_resetstkoflw();
    }
    return outcome;
}

#else  // MinGW: no __try. A handler sends the faulting thread to a recovery point instead.

#include <atomic>
#include <cstdint>

namespace
{
// One active guard, living in the frame of RunCall. The vectored handlers find the thread's innermost
// guard through a thread-local slot; a frame handler finds it through its own registration record. The recovery code runs on the record's own small
// stack, clear of both the abandoned frames and the system's exception dispatch.
struct GuardRecord
{
    void* jump[5] = {};                                       // __builtin_setjmp buffer
    GuardRecord* outer = nullptr;                             // the guard this one is nested in
    _EXCEPTION_REGISTRATION_RECORD* handlerChain = nullptr;  // the thread's frame-handler chain at entry
    volatile bool armed = false;
    volatile bool completed = false;
    volatile DWORD code = 0;
    void* volatile address = nullptr;
    alignas(16) unsigned char recoveryStack[256] = {};
};

// The system's exception handlers are process-wide, so is the little they read. Constant-initialised:
// reading it from an exception handler never waits for or runs an initialiser.
struct HandlerState
{
    std::atomic<DWORD> slot{TLS_OUT_OF_INDEXES};
    std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> previousFilter{nullptr};
    std::atomic<bool> frameHandlerForced{false};
};

HandlerState& Handlers()
{
    static HandlerState state;
    return state;
}

// Entered, instead of the faulting instruction, on the guard's own recovery stack.
[[noreturn]] __attribute__((noinline, noclone, used)) void __cdecl ResumeAtGuard(GuardRecord* record)
{
    __builtin_longjmp(record->jump, 1);
}

GuardRecord* ActiveGuard()
{
    const DWORD slot = Handlers().slot.load();
    if (slot == TLS_OUT_OF_INDEXES)
    {
        return nullptr;
    }
    const DWORD lastError = ::GetLastError();                 // TlsGetValue clears it; the thread may need it
    GuardRecord* record = static_cast<GuardRecord*>(::TlsGetValue(slot));
    ::SetLastError(lastError);
    return record;
}

// Points the thread at ResumeAtGuard when the guard is armed. Each guard takes one exception.
bool Redirect(GuardRecord* record, EXCEPTION_POINTERS* info)
{
    if (record == nullptr || !record->armed)
    {
        return false;
    }
    record->armed = false;
    record->code = info->ExceptionRecord->ExceptionCode;
    record->address = info->ExceptionRecord->ExceptionAddress;
    // The faulting point is never continued, so a non-continuable exception may resume elsewhere.
    info->ExceptionRecord->ExceptionFlags &= ~static_cast<DWORD>(EXCEPTION_NONCONTINUABLE);

    const uintptr_t top = reinterpret_cast<uintptr_t>(record->recoveryStack + sizeof(record->recoveryStack)) &
                          ~static_cast<uintptr_t>(15);
    CONTEXT* context = info->ContextRecord;
#if defined(__x86_64__)
    context->Rsp = top - 8 - 32;                              // return-address slot, then the callee's home area
    context->Rcx = reinterpret_cast<DWORD64>(record);
    context->Rip = reinterpret_cast<DWORD64>(&ResumeAtGuard);
#else
    const uintptr_t stack = top - 16 - 4;                     // the argument 16-aligned, as after a call
    *reinterpret_cast<GuardRecord**>(stack + 4) = record;
    context->Esp = static_cast<DWORD>(stack);
    context->Eip = static_cast<DWORD>(reinterpret_cast<uintptr_t>(&ResumeAtGuard));
#endif
    return true;
}

bool RedirectToGuard(EXCEPTION_POINTERS* info)
{
    return Redirect(ActiveGuard(), info);
}

// Exceptions the processor raises for a broken instruction stream, plus the two the system raises
// for a broken handler chain. Software exceptions are left to the handlers inside the call first.
bool IsProcessorFault(DWORD code)
{
    switch (code)
    {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case STATUS_FLOAT_MULTIPLE_FAULTS:
    case STATUS_FLOAT_MULTIPLE_TRAPS:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_INVALID_DISPOSITION:
    case EXCEPTION_NONCONTINUABLE_EXCEPTION:
        return true;
    default:
        return false;
    }
}

// First chance, before any frame handler: a processor fault inside a guarded call ends the call.
LONG CALLBACK OnFirstChance(EXCEPTION_POINTERS* info)
{
    if (IsProcessorFault(info->ExceptionRecord->ExceptionCode) && RedirectToGuard(info))
    {
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

// Last chance: a software exception that no handler took ends the guarded call instead of the process.
LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* info)
{
    if (RedirectToGuard(info))
    {
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    const LPTOP_LEVEL_EXCEPTION_FILTER previous = Handlers().previousFilter.load();
    return previous != nullptr ? previous(info) : EXCEPTION_CONTINUE_SEARCH;
}

// Windows XP and later; looked up so that the program still loads on the systems before it.
using VectoredHandler = LONG(CALLBACK*)(EXCEPTION_POINTERS*);
using AddVectoredHandler = PVOID(WINAPI*)(ULONG first, VectoredHandler handler);

AddVectoredHandler VectoredHandlerRegistration()
{
    static const AddVectoredHandler add = []() {
        const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
        return kernel == nullptr ? nullptr
                                 : reinterpret_cast<AddVectoredHandler>(reinterpret_cast<void (*)()>(
                                       ::GetProcAddress(kernel, "AddVectoredExceptionHandler")));
    }();
    return add;
}

// Installs both vectored handlers once for the process; they stay for its lifetime. Gives the guard
// slot, TLS_OUT_OF_INDEXES when the system has none left.
DWORD InstallHandlers()
{
    static const DWORD slot = []() {
        const DWORD index = ::TlsAlloc();
        if (index != TLS_OUT_OF_INDEXES)
        {
            Handlers().slot.store(index);
            (void)VectoredHandlerRegistration()(1, &OnFirstChance);
            Handlers().previousFilter.store(::SetUnhandledExceptionFilter(&OnUnhandled));
        }
        return index;
    }();
    return slot;
}

#if !defined(__x86_64__)
// One record of the thread's exception-registration chain (FS:[0]), placed by RunCall for the length
// of the guarded call. The system offers an exception to the records from the innermost outwards, so
// the call's own handlers see it first and this one takes what they leave.
struct FrameRegistration
{
    _EXCEPTION_REGISTRATION_RECORD* previous;
    void* handler;
    GuardRecord* guard;
};

constexpr DWORD kUnwindFlags = 0x2 | 0x4;                     // unwinding, exit unwind

EXCEPTION_DISPOSITION __cdecl OnFrameException(EXCEPTION_RECORD* exception, void* establisherFrame,
                                               CONTEXT* context, void* /*dispatcherContext*/)
{
    if ((exception->ExceptionFlags & kUnwindFlags) != 0)
    {
        return ExceptionContinueSearch;                       // a later handler unwinding: nothing to do
    }
    EXCEPTION_POINTERS info = {exception, context};
    return Redirect(static_cast<FrameRegistration*>(establisherFrame)->guard, &info) ? ExceptionContinueExecution
                                                                                    : ExceptionContinueSearch;
}
#endif

// The thread's information block, read through its self pointer (NtCurrentTeb from the headers trips
// the compiler's array-bounds check).
NT_TIB* ThreadInformation()
{
    NT_TIB* self = nullptr;
#if defined(__x86_64__)
    __asm__("movq %%gs:0x30, %0" : "=r"(self));
#else
    __asm__("movl %%fs:0x18, %0" : "=r"(self));
#endif
    return self;
}

// After an overflow the stack has no guard page left: the next overflow on this thread would run into
// the stack's last page and end the process. Puts the guard back where the system keeps it, on the
// lowest accessible page of the stack. False when the stack looks other than expected.
bool RearmStackGuard()
{
    MEMORY_BASIC_INFORMATION here = {};
    if (::VirtualQuery(&here, &here, sizeof(here)) == 0)
    {
        return false;
    }
    SYSTEM_INFO system = {};
    ::GetSystemInfo(&system);
    const char* const current = reinterpret_cast<const char*>(&here);
    char* address = static_cast<char*>(here.AllocationBase);
    while (address < current)
    {
        MEMORY_BASIC_INFORMATION region = {};
        if (::VirtualQuery(address, &region, sizeof(region)) == 0)
        {
            return false;
        }
        const bool accessible = region.State == MEM_COMMIT && (region.Protect & 0xFF) != PAGE_NOACCESS;
        if (accessible)
        {
            if ((region.Protect & PAGE_GUARD) != 0)
            {
                return true;                                  // still armed
            }
            char* page = static_cast<char*>(region.BaseAddress);
            if (page + 2 * system.dwPageSize > current)
            {
                return false;                                 // would guard the frames in use
            }
            DWORD old = 0;
            return ::VirtualProtect(page, system.dwPageSize, PAGE_READWRITE | PAGE_GUARD, &old) != FALSE;
        }
        address = static_cast<char*>(region.BaseAddress) + region.RegionSize;
    }
    return false;
}

}  // namespace

CFaultGuard::Mechanism CFaultGuard::ActiveMechanism()
{
#if !defined(__x86_64__)
    if (Handlers().frameHandlerForced.load())
    {
        return Mechanism::kFrameHandler;
    }
#endif
    if (VectoredHandlerRegistration() != nullptr)
    {
        return Mechanism::kVectored;
    }
#if defined(__x86_64__)
    return Mechanism::kNone;                                  // every 64-bit Windows has vectored handlers
#else
    return Mechanism::kFrameHandler;
#endif
}

bool CFaultGuard::ForceFrameHandler()
{
#if defined(__x86_64__)
    return false;
#else
    Handlers().frameHandlerForced.store(true);
    return true;
#endif
}

namespace
{
// False when a C++ exception left the call.
bool InvokeCall(void (*invoke)(void*), void* call)
{
    try
    {
        invoke(call);
        return true;
    }
    catch (...)                                               // a helper's exception must not end the installer
    {
        return false;
    }
}
}  // namespace

CFaultGuard::Outcome CFaultGuard::RunCall(void (*invoke)(void*), void* call)
{
    Outcome outcome;
    const Mechanism mechanism = ActiveMechanism();
    const DWORD slot = mechanism == Mechanism::kVectored ? InstallHandlers() : TLS_OUT_OF_INDEXES;
    if (mechanism == Mechanism::kNone || (mechanism == Mechanism::kVectored && slot == TLS_OUT_OF_INDEXES))
    {
        outcome.completed = InvokeCall(invoke, call);        // no guard possible: the call runs unprotected
        outcome.code = outcome.completed ? 0 : kCppException;
        return outcome;
    }

    GuardRecord record;
    record.handlerChain = ThreadInformation()->ExceptionList;
    if (mechanism == Mechanism::kVectored)
    {
        record.outer = static_cast<GuardRecord*>(::TlsGetValue(slot));
        (void)::TlsSetValue(slot, &record);
    }
#if !defined(__x86_64__)
    FrameRegistration frame = {record.handlerChain, reinterpret_cast<void*>(&OnFrameException), &record};
#endif
    if (__builtin_setjmp(record.jump) == 0)
    {
#if !defined(__x86_64__)
        if (mechanism == Mechanism::kFrameHandler)
        {
            ThreadInformation()->ExceptionList = reinterpret_cast<_EXCEPTION_REGISTRATION_RECORD*>(&frame);
        }
#endif
        record.armed = true;
        const bool returned = InvokeCall(invoke, call);
        record.armed = false;
        record.completed = returned;
        record.code = returned ? 0 : kCppException;
        ThreadInformation()->ExceptionList = record.handlerChain;
    }
    else
    {
        // Back from ResumeAtGuard. Frame handlers the call registered lie in the abandoned frames.
        ThreadInformation()->ExceptionList = record.handlerChain;
        if (record.code == EXCEPTION_STACK_OVERFLOW)
        {
            (void)RearmStackGuard();
        }
    }
    if (mechanism == Mechanism::kVectored)
    {
        (void)::TlsSetValue(slot, record.outer);
    }

    outcome.completed = record.completed;
    outcome.code = record.code;
    outcome.address = record.address;
    return outcome;
}

#endif
