// Test helper: answers a message box from outside the program that shows it, as a user would.
//   MessageBoxAnswer.exe CAPTION TEXT_FILE TIMEOUT_MS
// Waits up to TIMEOUT_MS for a shown dialog box ("#32770") captioned CAPTION, writes its text (control
// 0xFFFF) to TEXT_FILE, presses OK (or closes the box when it has none) and ends with 0 once the box is
// gone. Ends with 1 when no box came in time, 2 for bad arguments.

#include <windows.h>

#include <cstdlib>
#include <cstdio>

namespace
{
bool WaitUntil(DWORD timeoutMs, HWND& box, const char* caption)
{
    const DWORD start = ::GetTickCount();
    for (;;)
    {
        box = ::FindWindowA("#32770", caption);
        if (box != nullptr && ::IsWindowVisible(box))
        {
            return true;
        }
        if (::GetTickCount() - start > timeoutMs)
        {
            return false;
        }
        ::Sleep(20);
    }
}

void SaveText(HWND box, const char* textFile)
{
    static char text[65536];
    text[0] = '\0';
    (void)::GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    FILE* file = std::fopen(textFile, "wb");
    if (file != nullptr)
    {
        (void)std::fputs(text, file);
        (void)std::fclose(file);
    }
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
    {
        return 2;
    }
    HWND box = nullptr;
    if (!WaitUntil(static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)), box, argv[1]))
    {
        return 1;
    }
    ::Sleep(100);                                             // as a user would: read first, then click
    SaveText(box, argv[2]);
    HWND ok = ::GetDlgItem(box, IDOK);
    if (ok != nullptr)
    {
        (void)::SendMessageA(ok, BM_CLICK, 0, 0);
    }
    else
    {
        (void)::PostMessageA(box, WM_CLOSE, 0, 0);
    }
    for (int wait = 0; wait < 500 && ::IsWindow(box); ++wait)
    {
        ::Sleep(20);
    }
    return ::IsWindow(box) ? 1 : 0;
}
