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
    // Each showing keeps its own state: a box may be shown from within another box's message loop.
    int Show(HWND owner, const std::string& text, const std::string& title, UINT type);
    // The same answer in the system's terms (IDOK, IDCANCEL, IDYES, IDNO; Resume IDCONTINUE, Exit IDCANCEL).
    int ShowAsSystemBox(HWND owner, const std::string& text, const std::string& title, UINT type);

    // The button texts' message names for a type's low four bits.
    static void ButtonKeys(UINT type, const char*& first, const char*& second);

private:
    CUiEnv& m_env;
};
