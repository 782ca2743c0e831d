#pragma once
// Every message box the installer shows the user goes through one handler, so that the wizard can
// show the program's own box and a test can answer without a window. Without a handler the system's
// message box is shown.

#include <windows.h>

#include <functional>
#include <string>

// Shows a message and returns the button the user chose (IDOK, IDYES, IDNO, IDCANCEL ...).
using UserMessageHandler =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;

// Installs the handler for the whole process and returns the one it replaces; an empty handler puts
// the system's message box back.
UserMessageHandler SetUserMessageHandler(UserMessageHandler handler);

// Shows a message through the installed handler; owner may be null.
int ShowUserMessage(HWND owner, const std::string& text, const std::string& caption, UINT type);
