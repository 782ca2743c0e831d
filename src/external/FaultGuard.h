#pragma once
// Runs a call that may fault (code inside a helper library) and reports whether it completed.
// A fault or an exception that leaves the call abandons it: the call's own stack frames are dropped
// without cleanup, the code and address are reported, and the caller goes on. Safe on any number of
// threads at once; guards may nest.

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
