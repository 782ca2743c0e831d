#pragma once
// A lock for data that several threads touch, on the system's critical sections: the installer keeps
// to functions every supported Windows has, and the toolchain's runtime offers no thread library there.

#include <windows.h>

class CCriticalSection
{
public:
    CCriticalSection() { ::InitializeCriticalSection(&m_section); }
    ~CCriticalSection() { ::DeleteCriticalSection(&m_section); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Enter() { ::EnterCriticalSection(&m_section); }
    void Leave() { ::LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

// Holds the lock for the lifetime of the guard.
class CLockGuard
{
public:
    explicit CLockGuard(CCriticalSection& section) : m_section(section) { m_section.Enter(); }
    ~CLockGuard() { m_section.Leave(); }
    CLockGuard(const CLockGuard&) = delete;
    CLockGuard& operator=(const CLockGuard&) = delete;

private:
    CCriticalSection& m_section;
};
