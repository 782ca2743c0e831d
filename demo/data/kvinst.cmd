// Command sections, copy, registry and shortcut sections.

[CMD_README]
CT_OPEN_FILE_NOWAIT = $SRC_DIR$\data\readme_$LANG_ABBR$.txt

[REG_PRODUCT]
ROOTKEY = HKLM
KEYNAME = Software\%MAKER%\KP-3100\Settings
VALUE = REG_SZ, Language, $LANG_ABBR$
VALUE = REG_DWORD, Version, 0x0100

// Default copy-file sections: the installer and its files go to the install folder, from where the
// Add/Remove entry starts the uninstall.
[COPY_FILE_INFO]
COPY_PRODUCT

[COPY_PRODUCT]
DESCRIPTION = KP-3100 Series Setup
SOURCE = $SRC_DIR$
DESTINATION = $DEST_INST_DIR$
COPY_SUBDIR = 1
DELETE = 1

[COPY_UTILITY]
DESCRIPTION = KP-3100 Series Status Monitor
SOURCE = $SRC_DIR$\data\Utility
DESTINATION = $DEST_DIR$\Utility
COPY_SUBDIR = 0
DELETE = 1

[COPY_MANUAL]
DESCRIPTION = KP-3100 Series Manual
SOURCE = $SRC_DIR$\data\Manual
DESTINATION = $DEST_DIR$\Manual
COPY_SUBDIR = 0
DELETE = 1

// Shortcuts, one per item that has one (the section carries the item's name).
[UTILITY]
NAME = @SHORTCUT_UTILITY@
TARGET = $DEST_DIR$\Utility\KPMonitor.exe
DESCRIPTION = @ITEM_UTILITY_TIP@
GROUP = PROGRAMS
DELETE = 1

[MANUAL]
NAME = @SHORTCUT_MANUAL@
TARGET = $DEST_INST_DIR$\data\Kvopen.exe
ARGUMENT = /T $DEST_DIR$\Manual\manual_$LANG_ABBR$.txt
ICON_FILE = $SYS_DIR$\shell32.dll
ICON_INDEX = 23
DESCRIPTION = @ITEM_MANUAL_TIP@
GROUP = PROGRAMS
DELETE = 1

// The system's Add/Remove Programs entry (added at the end of an install, removed by the uninstall).
[ADD_REG.UNINSTKEY]
ROOTKEY = HKLM
KEYNAME = Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrow KP-3100 Series
VALUE = REG_SZ, DisplayName, Kestrow KP-3100 Series
VALUE = REG_SZ, UninstallString, "$DEST_INST_DIR$\$INSTALLER_EXE$" /U
VALUE = REG_SZ, QuietUninstallString, "$DEST_INST_DIR$\$INSTALLER_EXE$" /S /U
VALUE = REG_SZ, DisplayVersion, $VERSION$
VALUE = REG_SZ, Publisher, Kestrow
VALUE = REG_SZ, DisplayIcon, $DEST_INST_DIR$\$INSTALLER_EXE$
VALUE = REG_SZ, InstallLocation, $DEST_DIR$
VALUE = REG_DWORD, EstimatedSize, 2048
VALUE = REG_DWORD, NoModify, 1
VALUE = REG_DWORD, NoRepair, 1
DELETE_KEY = 1
