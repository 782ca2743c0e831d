// Command sections, copy, registry and shortcut sections.

[CMD_README]
CT_OPEN_FILE_NOWAIT = $SRC_DIR$\data\readme_$LANG_ABBR$.txt

[REG_PRODUCT]
ROOTKEY = HKLM
KEYNAME = Software\%MAKER%\KP-3100\Settings
VALUE = REG_SZ, Language, $LANG_ABBR$
VALUE = REG_DWORD, Version, 0x0100
