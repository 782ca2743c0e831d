#pragma once
// A test's helper thread on the system's own threads: runs a function and is joined when it goes out
// of scope (or by Join). Not movable: the running thread holds the address of its function. The toolchain that builds the installer has no standard thread library.

#include <windows.h>

#include <functional>
#include <utility>

class CTestThread
{
public:
    CTestThread() = default;
    explicit CTestThread(std::function<void()> body) { Start(std::move(body)); }
    ~CTestThread() { Join(); }
    CTestThread(const CTestThread&) = delete;
    CTestThread& operator=(const CTestThread&) = delete;
    void Start(std::function<void()> body)
    {
        Join();
        m_body = std::move(body);
        m_thread = ::CreateThread(nullptr, 0, &CTestThread::Run, &m_body, 0, nullptr);
    }
    bool Joinable() const { return m_thread != nullptr; }
    void Join()
    {
        if (m_thread != nullptr)
        {
            ::WaitForSingleObject(m_thread, INFINITE);
            ::CloseHandle(m_thread);
            m_thread = nullptr;
        }
    }

private:
    static DWORD WINAPI Run(void* body)
    {
        (*static_cast<std::function<void()>*>(body))();
        return 0;
    }

    std::function<void()> m_body;
    HANDLE m_thread = nullptr;
};
