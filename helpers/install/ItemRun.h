#pragma once
// What the install helper does for one item, decided from the values of its record: which command
// and parameter run, and whether the completion conditions apply. Plain logic, no system calls.

#include <windows.h>

#include <string>

struct ItemRecordValues
{
    std::string name;
    std::string instCmd, uninstCmd, reinstCmd;
    std::string instParam, uninstParam, reinstParam;
    std::string uninstallValueName;                      // value under the uninstall-information root
    std::string uninstallInfoCommand;                    // that value's text, when it could be read
    std::string waitFile, waitRegKey, waitRegValue, waitRegStrData;
    bool hasWaitRegIntData = false;
    DWORD waitRegIntData = 0;
    DWORD successReturn = 0;
};

enum class ItemRunKind
{
    kInstall,
    kUninstall,
    kReinstall
};

struct ItemRunPlan
{
    ItemRunKind kind = ItemRunKind::kInstall;
    std::string program;                                 // empty: the record gives nothing to run
    std::string arguments;
    bool waitConditions = false;                         // the record's completion conditions are checked
};

// Setup type 2 uninstalls; 3 reinstalls an installed item (its reinstall command, else the install
// command); anything else installs.
ItemRunPlan PlanItemRun(const ItemRecordValues& record, DWORD setupType, bool installed);

const char* RunKindName(ItemRunKind kind);
