#pragma once
// One install item as read from its section of the data file, and the decisions about items that are
// plain functions over texts: check-state words, the device check, the parameter lines, the dialog's
// item filter and list state, and the command-line switch rewrites. No system calls here.
//
// Text fields are std::string holding at most kItemTextMax characters (longer values are cut when
// stored), so an item costs what its texts need rather than a fixed buffer per field.

#include <windows.h>

#include <string>
#include <vector>

constexpr size_t kItemTextMax = 16383;                        // item texts, command parameters
constexpr size_t kItemLanguageTextMax = 259;                  // language abbreviation and directory
constexpr DWORD kWaitRegIntNotGiven = 0xFFFF;

// Check states stored in an item (DEFAULT_INST_TYPE words).
enum ItemCheckState
{
    CHECK_NO = 0,                                             // not listed
    CHECK_ALL = 1,                                            // not listed; always selected in an install run
    CHECK_CHK = 2,                                            // listed, checked
    CHECK_UNCHK = 3,                                          // listed, unchecked
    CHECK_GRAYCHK = 4,                                        // listed, checked and not changeable
};

// Check box state of an item row in the selection list.
enum ItemListState
{
    LIST_NOT_LISTED = -1,
    LIST_UNCHECKED = 0,
    LIST_CHECKED = 1,
    LIST_CHECKED_FIXED = 2,
};

// Parts of the selection dialog's item filter number (ITEM_TYPE words).
constexpr int kFilterInstalledMask = 0x00F;                   // 0 none, 1 installed, 2 not installed, 3 all
constexpr int kFilterForcedMask = 0x0F0;                      // 0x10 forced unchecked, 0x20 forced checked
constexpr int kFilterSetupMask = 0xF00;                       // 0x000 install, 0x100 uninstall, 0x200 reinstall
constexpr int kFilterForcedUnchecked = 0x10;
constexpr int kFilterForcedChecked = 0x20;
constexpr int kFilterUninstallList = 0x100;
constexpr int kFilterReinstallList = 0x200;

struct ITEM_RECORD
{
    std::string sectionName;
    bool selected = false;
    bool installed = false;
    bool failedInRun = false;      // this run's helper reported a failure (kept in memory only)
    std::string displayName;
    std::string installDesc;
    std::string removeDesc;
    std::string repairDesc;
    std::string tooltip;
    std::string instCmd;
    std::string instParam;
    std::string instParam2;
    bool instParam2Given = false;
    std::string uninstCmd;
    std::string uninstParam;
    std::string uninstParam2;
    bool uninstParam2Given = false;
    std::string reinstCmd;
    std::string reinstParam;
    std::string reinstParam2;
    bool reinstParam2Given = false;
    std::string copyFile;
    std::string itemLangSection;
    std::string unsupportedOs;
    std::string uninstKey;
    std::string reinstKey;
    int checkState = CHECK_UNCHK;
    int successReturn = 0;
    std::string waitFile;
    std::string waitRegKey;
    std::string waitRegValue;
    DWORD waitRegIntData = kWaitRegIntNotGiven;
    std::string waitRegStrData;
    std::string callCmd;
    std::string printerName;
    std::string driverName;
    std::string shareName;
    std::string infFile;
    std::string destInfPath;
    std::string inf9x;
    std::string infNt;
    std::string inf2k;
    std::string infXp;
    std::string deviceString;
    bool defaultPrinter = false;
    bool sharePrinter = false;
    WORD langId = 0;
    std::string langAbbr;                                     // at most kItemLanguageTextMax characters
    std::string langDir;                                      // at most kItemLanguageTextMax characters
    bool infItem = false;
    int printerIndex = -1;
};

// text cut to max characters.
std::string LimitText(const std::string& text, size_t max = kItemTextMax);

// The number of a check-state word (upper-cased first): NO 0, ALL 1, CHK 2, UNCHK 3, GRAYCHK 4; DEVCHK
// gives 3 here (the device check needs the item); any other word, the empty one included, gives 0.
int CheckStateFromWord(const std::string& word);
bool IsDeviceCheckWord(const std::string& word);
// Check states that select an item for the run: ALL, CHK and GRAYCHK.
bool IsSelectingCheckState(int checkState);

// The device check's answer for an obtained device identifier: 2 when the identifier contains MFG,
// MDL and the device string (all compared upper-cased), else 0.
int DeviceCheckState(const std::string& deviceId, const std::string& mfg, const std::string& mdl,
                     const std::string& deviceString);

// The item's parameter lines: each "NAME = value" line of at least 12 characters whose name is one of
// the six parameter names appends its value and a blank; afterwards the three primary fields lose
// their final blank, the three "2" fields keep it. Fields are cut to kItemTextMax.
void ApplyParameterLines(const std::vector<std::string>& lines, ITEM_RECORD& item);

// The selection dialog's filter number from its ITEM_TYPE text (upper-cased, words as substrings).
int ItemFilterFromText(const std::string& itemType);

// The list state of an item that passed the validity test of the filter's setup type.
int ListStateForItem(int checkState, bool installed, int filter);

// A description with every "%s" replaced by the display name.
std::string FormatDescription(const std::string& description, const std::string& displayName);

// The parameter without switch (for example "/P", searched upper-cased): the text before it and, when
// a further "/" follows, the text from the character before that "/" to the end.
std::string RemoveSwitch(const std::string& parameter, const char* switchText);

// Adds the driver installer's model switch: with index -1 an /O switch with the driver name (trimmed of
// blanks, tabs and double quotes, then quoted), nothing when the name is empty; otherwise " /I %d".
// An existing switch of the same letter is removed first. The result is cut to kItemTextMax.
std::string AddModelSwitch(const std::string& parameter, int printerIndex, const std::string& driverName);

// The install parameter with its /P switch replaced: the parameter without /P, one blank, then /P and
// the port in double quotes.
std::string ReplacePortSwitch(const std::string& parameter, const std::string& port);

// The "%s.%s" platform variant of a key.
std::string PlatformVariantKey(const std::string& key, const std::string& platformKey);
