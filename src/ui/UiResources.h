#pragma once
// Numbers of the wizard's built-in dialog templates and of their fixed controls.

#define IDD_SKIN 200
#define IDD_BACKGROUND 201
#define IDD_PROGRESS 202
#define IDD_MESSAGE_BOX 203

// The hand over links where the system has none (hand.cur, made by tools/make-hand-cursor.py).
#define IDR_HAND_CURSOR 300

#define IDC_NEXT 1004
#define IDC_PROGRESS 1100
#define IDC_BOX_ICON 1200
#define IDC_BOX_TEXT 0xFFFF
#define IDC_BOX_SECOND 1202
