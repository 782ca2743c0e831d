#pragma once
// System checks, error texts: the system's words for an error code, and a message box showing them.

#include <windows.h>

#include <string>

namespace SystemCheck
{
// The system's text for an error code; empty when it has none.
std::string SystemErrorText(DWORD code);
// Shows the system's text for code in a warning message box; shows nothing when there is no text.
void ShowSystemError(DWORD code, const char* caption);
}  // namespace SystemCheck
