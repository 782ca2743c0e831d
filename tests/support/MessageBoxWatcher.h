#pragma once
// Test support: answers the message boxes a test makes the code show. A thread looks for a dialog
// ("#32770") with the given caption, records its text (control 0xFFFF) and presses OK (or closes it), so
// a test that shows a real box never waits for a user. Boxes need a display: see HasDisplay().

#include <windows.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "base/Lock.h"
#include "support/TestThread.h"

class CMessageBoxWatcher
{
public:
    explicit CMessageBoxWatcher(std::string caption) : m_caption(std::move(caption)), m_thread([this] { Run(); }) {}
    ~CMessageBoxWatcher()
    {
        m_stop = true;
        m_thread.Join();
    }
    CMessageBoxWatcher(const CMessageBoxWatcher&) = delete;
    CMessageBoxWatcher& operator=(const CMessageBoxWatcher&) = delete;

    std::vector<std::string> Texts()                           // of the boxes answered so far, in order
    {
        CLockGuard guard(m_lock);
        return m_texts;
    }

    static bool HasDisplay()                                   // without one, MessageBox returns at once
    {
        HWND probe = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        return probe != nullptr && ::DestroyWindow(probe);
    }

private:
    void Run()
    {
        for (; !m_stop; ::Sleep(20))
        {
            HWND box = ::FindWindowA("#32770", m_caption.c_str());
            if (box == nullptr)
            {
                continue;
            }
            char text[20000] = {};
            ::GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
            {
                CLockGuard guard(m_lock);
                m_texts.push_back(text);
            }
            HWND ok = ::GetDlgItem(box, IDOK);
            if (ok != nullptr)
            {
                ::SendMessageA(ok, BM_CLICK, 0, 0);
            }
            else
            {
                ::PostMessageA(box, WM_CLOSE, 0, 0);
            }
            for (int wait = 0; wait < 250 && ::IsWindow(box); ++wait)
            {
                ::Sleep(20);
            }
        }
    }

    std::string m_caption;
    std::atomic<bool> m_stop{false};
    CCriticalSection m_lock;
    std::vector<std::string> m_texts;
    CTestThread m_thread;                                      // last: starts once the rest is ready
};
