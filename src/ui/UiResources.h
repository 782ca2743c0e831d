#pragma once
// Numbers of the wizard's built-in dialog templates and of their fixed controls.

#define IDD_SKIN 200
#define IDD_BACKGROUND 201
#define IDD_PROGRESS 202
#define IDD_MESSAGE_BOX 203
#define IDD_CUSTOM 204
#define IDD_LICENSE 205
#define IDD_SELECT_TYPE 206
#define IDD_DEST_DIR 207
#define IDD_INSTALL 208
#define IDD_INSTALL1 209
#define IDD_COPYFILE 210
#define IDD_FINISH 211
#define IDD_TEST_PAGE 212

// The hand over links where the system has none (hand.cur, made by tools/make-hand-cursor.py).
#define IDR_HAND_CURSOR 300

#define IDC_NEXT 1004
// The item selection dialog: the item list, check-all and change-parameter boxes.
#define IDC_ITEM_LIST 1009
#define IDC_CHECK_ALL 1077
#define IDC_CHANGE_PARAM 1081
// The choice dialog's radio group of up to five.
#define IDC_TYPE_RADIO_0 1054
#define IDC_TYPE_RADIO_4 1058
// The licence dialog: accept / do not accept, and the licence text (a rich edit box made at run time,
// of the class the system's rich-edit library offers).
#define IDC_LICENSE_ACCEPT 1084
#define IDC_LICENSE_DECLINE 1085
#define IDC_LICENSE_TEXT 1086
// The destination panel: description, path, browse button and icon.
#define IDC_DEST_DESC 1002
#define IDC_DEST_PATH 1066
#define IDC_DEST_BROWSE 1067
#define IDC_DEST_ICON 1068
#define IDC_PROGRESS 1100
// The install dialogs: cancel (always blocked), the state text and the result list.
#define IDC_INSTALL_CANCEL 1013
#define IDC_RESULT_LIST 1064
#define IDC_INSTALL_STATE 1065
// The copy dialog: cancel, the file name and the description line.
#define IDC_COPY_CANCEL 1028
#define IDC_COPY_NAME 1029
#define IDC_COPY_DESC 1030
// The finish dialog: finish, registration, test page, restart and its two radios.
#define IDC_FINISH_END 1019
#define IDC_FINISH_REGISTER 1021
#define IDC_FINISH_TESTPRINT 1052
#define IDC_FINISH_REBOOT 1069
#define IDC_FINISH_REBOOT_NOW 1070
#define IDC_FINISH_REBOOT_LATER 1071
// The test-page dialog: the check box and the print / do not print pair.
#define IDC_TESTPAGE_CHECK 1017
#define IDC_TESTPAGE_PRINT 1071
#define IDC_TESTPAGE_SKIP 1072
#define IDC_BOX_ICON 1200
#define IDC_BOX_TEXT 0xFFFF
#define IDC_BOX_SECOND 1202
