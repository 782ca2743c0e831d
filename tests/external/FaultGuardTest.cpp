#include "external/FaultGuard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace
{
#if defined(KV_TEST_FRAME_HANDLER)
// This build of the fault tests runs every guard on the frame handler, as on systems without vectored
// exception handling.
const bool g_frameHandlerForced = CFaultGuard::ForceFrameHandler();
#endif

volatile int g_zero = 0;
volatile int g_stop = 0;

__attribute__((noinline)) int Recurse(int depth)
{
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    if (g_stop != 0)
    {
        return frame[0];
    }
    return Recurse(depth + 1) + frame[0];
}

// Writes to reserved, never committed memory. (Address 0 may be mapped in a 32-bit process under Wine.)
__attribute__((noinline)) void WriteNowhere()
{
    static void* const reserved = ::VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS);
    *static_cast<volatile int*>(reserved) = 1;
}

// Runs one named fault under a guard: "access", "divide", "illegal", "stack", "raise", or none.
CFaultGuard::Outcome RunFault(const std::string& kind)
{
    return CFaultGuard::Run([&]() {
        if (kind == "access")
        {
            WriteNowhere();
        }
        else if (kind == "divide")
        {
            g_stop = 10 / g_zero;
        }
        else if (kind == "illegal")
        {
            __builtin_trap();
        }
        else if (kind == "stack")
        {
            g_stop = Recurse(0);
        }
        else if (kind == "raise")
        {
            ::RaiseException(0xE0001234, 0, 0, nullptr);
        }
    });
}
}  // namespace

TEST(FaultGuardTest, ActiveMechanism_VectoredWhereTheSystemHasIt_FrameHandlerWhenForced)
{
#if defined(KV_TEST_FRAME_HANDLER)
    ASSERT_TRUE(g_frameHandlerForced);
    EXPECT_EQ(CFaultGuard::Mechanism::kFrameHandler, CFaultGuard::ActiveMechanism());
#else
    EXPECT_EQ(CFaultGuard::Mechanism::kVectored, CFaultGuard::ActiveMechanism())
        << "every system the tests run on has vectored handlers";
#endif
}

TEST(FaultGuardTest, Run_FaultsOfEveryKind_ReportCodeAndLeaveTheThreadWorking)
{
    const struct
    {
        const char* kind;
        DWORD code;
    } cases[] = {
        {"access", EXCEPTION_ACCESS_VIOLATION},     {"divide", EXCEPTION_INT_DIVIDE_BY_ZERO},
        {"illegal", EXCEPTION_ILLEGAL_INSTRUCTION}, {"stack", EXCEPTION_STACK_OVERFLOW},
        {"raise", 0xE0001234},                      {"stack", EXCEPTION_STACK_OVERFLOW},
    };
    for (const auto& c : cases)
    {
        const CFaultGuard::Outcome outcome = RunFault(c.kind);
        EXPECT_FALSE(outcome.completed) << c.kind << " ends the call";
        EXPECT_EQ(c.code, outcome.code) << c.kind << " reports its exception code";
        EXPECT_NE(nullptr, outcome.address) << c.kind << " reports where it happened";
    }
    int value = 0;
    const CFaultGuard::Outcome after = CFaultGuard::Run([&]() { value = 42; });
    EXPECT_TRUE(after.completed) << "a call after the faults runs normally";
    EXPECT_EQ(0u, after.code);
    EXPECT_EQ(42, value) << "the call's own work is kept";
}

TEST(FaultGuardTest, Run_ExceptionsInsideTheCall_HandledThereOrReported)
{
    int answer = 0;
    const CFaultGuard::Outcome handled = CFaultGuard::Run([&]() {
        try
        {
            throw std::runtime_error("inside");
        }
        catch (const std::runtime_error&)
        {
            answer = 5;
        }
    });
    EXPECT_TRUE(handled.completed) << "an exception the call handles itself does not end it";
    EXPECT_EQ(5, answer);

    const CFaultGuard::Outcome thrown = CFaultGuard::Run([]() { throw std::runtime_error("out"); });
    EXPECT_FALSE(thrown.completed) << "a C++ exception leaving the call ends it";
    EXPECT_EQ(CFaultGuard::kCppException, thrown.code);

    CFaultGuard::Outcome inner;
    const CFaultGuard::Outcome outer = CFaultGuard::Run([&]() { inner = RunFault("access"); });
    EXPECT_TRUE(outer.completed) << "a fault taken by a nested guard does not reach the outer one";
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), inner.code);
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), RunFault("access").code)
        << "the outer guard's slot is restored";
}
