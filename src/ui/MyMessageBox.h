#pragma once
// The program's own message box: the message word-wrapped beside an icon, one or two buttons whose
// texts come from the string file (BUTTON.OK, BUTTON.CANCEL, BUTTON.YES, BUTTON.NO, BUTTON.RESUME,
// BUTTON.EXIT). Installed as the process's message-box handler while the wizard runs.

#include <windows.h>

#include <string>

#include "ui/UiEnv.h"

constexpr UINT UM_ENABLE_BUTTONS = WM_USER + 1022;           // 0: buttons off and no close; else on

class CMyMessageBox
{
public:
    explicit CMyMessageBox(CUiEnv& env) : m_env(env) {}

    // Shows the box; 1 for the first button, 2 for the second; 0 when nothing was shown (empty text).
    int Show(HWND owner, const std::string& text, const std::string& title, UINT type);
    // The same answer in the system's terms (IDOK, IDCANCEL, IDYES, IDNO; Resume IDCONTINUE, Exit IDCANCEL).
    int ShowAsSystemBox(HWND owner, const std::string& text, const std::string& title, UINT type);

    // The button texts' message names for a type's low four bits.
    static void ButtonKeys(UINT type, const char*& first, const char*& second);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void LayOut();

    CUiEnv& m_env;
    HWND m_window = nullptr;
    std::string m_text;
    std::string m_title;
    UINT m_type = 0;
    bool m_noClose = false;
};
