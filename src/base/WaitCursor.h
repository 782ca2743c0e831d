#pragma once
// Shows the wait cursor for its lifetime and puts the previous cursor back when it goes away, on
// every return path. Guards nest: each one restores what was shown when it began.

#include <windows.h>

class CWaitCursor
{
public:
    CWaitCursor() : m_previous(::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)))) {}   // IDC_WAIT
    ~CWaitCursor() { (void)::SetCursor(m_previous); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_previous;                                       // shared system cursor: not owned
};
