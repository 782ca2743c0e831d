#pragma once
// Test framework settings for the Windows builds. The toolchain's runtime has no standard mutex or
// condition variable, which the framework's start signal for its own threads is written with; this
// signal on a system event takes its place. Everything else the framework needs for several threads
// it already builds on critical sections and thread-local slots.

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing
{
namespace internal
{
class Notification
{
public:
    Notification() : m_event(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification()
    {
        if (m_event != nullptr)
        {
            ::CloseHandle(m_event);
        }
    }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { ::SetEvent(m_event); }
    void WaitForNotification() { ::WaitForSingleObject(m_event, INFINITE); }

private:
    HANDLE m_event;
};
}  // namespace internal
}  // namespace testing
