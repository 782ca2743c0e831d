// Keeps a test prefix's virtual desktop alive for the whole test run. Wine closes the desktop a moment
// after the last program using it ends; a test program starting in that moment fails to create its
// first window (an X error that ends the process). This program holds a hidden window until the
// prefix's server is stopped.

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ::DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "KvDesktopKeeper";
    if (::RegisterClassA(&windowClass) == 0)
    {
        return 1;
    }
    // Hidden and without a frame: it never shows in a picture of the desktop.
    if (::CreateWindowExA(WS_EX_TOOLWINDOW, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                          instance, nullptr) == nullptr)
    {
        return 1;
    }
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0)
    {
        ::DispatchMessageA(&message);
    }
    return 0;
}
