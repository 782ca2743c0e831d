#pragma once
// Runs a call that may fault (code inside a helper library) and reports whether it completed.
// A fault or an exception that leaves the call abandons it: the call's own stack frames are dropped
// without cleanup, the code and address are reported, and the caller goes on. Safe on any number of
// threads at once; guards may nest; a second stack overflow on the same thread is survived too.

#include <windows.h>

#include <type_traits>

class CFaultGuard
{
public:
    // Reported for a C++ exception that left the call (the code C++ exceptions carry as system
    // exceptions).
    static constexpr DWORD kCppException = 0xE06D7363;

    struct Outcome
    {
        bool completed = false;                               // the call returned normally
        DWORD code = 0;                                       // exception code when it did not
        const void* address = nullptr;                        // where the exception happened
    };

    // How faults reach the guard. Vectored: process-wide handlers that see every exception first
    // (Windows XP and later). Frame handler: a record on the thread's own exception-registration chain
    // for the length of each guarded call, the mechanism every 32-bit Windows has. The vectored one is
    // used where the system offers it.
    enum class Mechanism
    {
        kVectored,
        kFrameHandler,
        kNone,                                                // faults are not caught (C++ exceptions are)
    };
    static Mechanism ActiveMechanism();
    // For tests: the frame handler from now on, even where vectored handlers exist. False where there
    // is no frame handler chain (64-bit).
    static bool ForceFrameHandler();

    template <typename Call>
    static Outcome Run(Call&& call)
    {
        using CallType = std::remove_reference_t<Call>;
        return RunCall(&Invoke<CallType>, const_cast<void*>(static_cast<const void*>(&call)));
    }

private:
    template <typename CallType>
    static void Invoke(void* call)
    {
        (*static_cast<CallType*>(call))();
    }

    static Outcome RunCall(void (*invoke)(void*), void* call);
};
