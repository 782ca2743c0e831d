#pragma once
// The installer's private window messages, all numbered from WM_USER. Worker threads tell a window
// what happened only through these; the window reacts on its own thread.

#include <windows.h>

// Handled by the wizard frame.
constexpr UINT UM_EXEC_COMMAND = WM_USER + 1011;      // 0 / address of the command mailbox
constexpr UINT UM_SET_DESC = WM_USER + 1012;          // 0 / text for the dialog's description area
constexpr UINT UM_INSTALL_STATUS = WM_USER + 1013;    // status code / item index
constexpr UINT UM_CANCEL = WM_USER + 1015;            // 0 / mailbox: run the cancel confirmation
constexpr UINT UM_END_WAIT = WM_USER + 1016;          // bring-to-front flag / 0: a waited-for program ended
constexpr UINT UM_NAVIGATE = WM_USER + 1018;          // -2 next, -1 back, 0 by name / dialog name or null
constexpr UINT UM_PROGRESS_STEP = WM_USER + 1019;     // percent span / step count, or 0 / 0
constexpr UINT UM_ACTIVATE_INSTANCE = WM_USER + 1026; // 0 / 0: a second start asks this one to the front
constexpr UINT UM_START = WM_USER + 1027;             // 1 success, 0 failure / 0: initialization has ended

// Handled by the install dialogs and the initialisation window.
constexpr UINT UM_SYSUPDATE_DONE = WM_USER + 1028;    // 0 / 0: the system update after an install run ended
constexpr UINT UM_PREPARE_DONE = WM_USER + 1029;      // 1 success, 0 failure / 0: the preparation thread ended
// Handled by the main window.
constexpr UINT UM_CREATE_WIZARD = WM_USER + 1031;     // start decision / progress window; non-zero reply: made
