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

// The box's text, once its window has put it up (empty when it did not within the bound).
bool WaitForText(HWND box)
{
    const DWORD start = ::GetTickCount();
    while (::IsWindow(box) && ::GetWindowTextLengthA(::GetDlgItem(box, 0xFFFF)) == 0)
    {
        if (::GetTickCount() - start > 5000)
        {
            return false;
        }
        ::Sleep(20);
    }
    return ::IsWindow(box) != FALSE;
}

// Presses OK (or closes the box) and waits for the box to go; a press the box did not take while it
// was still settling in front is made again. The same window each time: a box that comes after it is
// never answered by mistake.
bool Answer(HWND box)
{
    for (int attempt = 0; attempt < 10 && ::IsWindow(box); ++attempt)
    {
        HWND ok = ::GetDlgItem(box, IDOK);
        DWORD_PTR ignored = 0;
        if (ok != nullptr)
        {
            (void)::SendMessageTimeoutA(ok, BM_CLICK, 0, 0, SMTO_NORMAL, 2000, &ignored);
        }
        else
        {
            (void)::PostMessageA(box, WM_CLOSE, 0, 0);
        }
        const DWORD start = ::GetTickCount();
        while (::IsWindow(box) && ::GetTickCount() - start < 2000)
        {
            ::Sleep(20);
        }
    }
    return ::IsWindow(box) == FALSE;
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
    (void)WaitForText(box);                                   // as a user would: read first, then click
    SaveText(box, argv[2]);
    return Answer(box) ? 0 : 1;
}
