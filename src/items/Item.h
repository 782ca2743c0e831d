#pragma once
// The item collection: reads the items of the data file (ITEM_INFO order) and owns their records and
// the item types; answers which items the selection list shows and how, which are selected and which
// are installed; writes their install history; and builds the printer manager's list from the printer
// items. The setup type (Setup_Type) and install type (Install_Type) live under the Installing root.
// One per application; the environment, log and printer manager must outlive it.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "items/InfInfo.h"
#include "items/InstallHistory.h"
#include "items/ItemRecord.h"

class CCmdOperator;
class CInstallEnv;
class CLog;
class CMyPrinter;
struct CommandRecord;

// One row of the item selection list, as the selection dialog draws it and hands it back.
struct ItemListRow
{
    int index = -1;                                           // position of the item in the collection
    std::string name;                                         // display name
    int state = LIST_UNCHECKED;                               // ItemListState; the dialog updates it
    std::string description;                                  // empty: none
    std::string tooltip;                                      // empty: none
};

// What the selection dialog adds to a commit of its rows.
struct SelectionCommit
{
    HWND owner = nullptr;
    std::string warningText;                                  // STR_WARNING; empty: none
    std::string confirmText;                                  // STR_CONFIRM; empty: none
    bool changeParameter = false;                             // FIXED_CHANGE_PARAM is checked
};

class CItem
{
public:
    static constexpr const char* kDefaultListSection = "ITEM_INFO";
    static constexpr const char* kDefaultOsUninstallSection = "ADD_REG.UNINSTKEY";

    CItem(CLog& log, CInstallEnv& env);
    virtual ~CItem();
    CItem(const CItem&) = delete;
    CItem& operator=(const CItem&) = delete;

    // The printer manager the printer items fill and ask (may stay null: no printer steps).
    void SetPrinterManager(CMyPrinter* printers) { m_printers = printers; }
    // Connects CT_WRITE_ITEM_INFO and CT_CHECK_ITEM to this collection; the executor also runs the
    // commands the collection issues (CT_ADDREG, CT_DELREG, CT_SET_SETUP_TYPE, CT_OPEN_DLG). The
    // executor must outlive the collection or be disconnected.
    void ConnectCommands(CCmdOperator& commands);

    // The collection.
    // Frees the items read before, then reads the item types and every item of the list section (empty:
    // ITEM_INFO); progress, when given, receives UM_PROGRESS_STEP. False when the list section cannot
    // be read (the collection is then empty).
    bool ReadItems(const std::string& section = std::string(), HWND progress = nullptr);
    // Reads the default list again.
    bool ReloadItems(HWND progress = nullptr);
    void ClearItems();
    int GetCount() const { return static_cast<int>(m_items.size()); }
    // Null when index is not below the count.
    ITEM_RECORD* GetItemAt(int index);
    const ITEM_RECORD* GetItemAt(int index) const;
    // Index of the section (compared without regard to case), or -1.
    int FindItem(const std::string& section) const;
    const std::string& GetListSection() const { return m_listSection; }
    const std::string& GetOsUninstallSection() const { return m_osUninstallSection; }

    // One item.
    // Reads one item section and appends it when available and valid. False for an empty name or an
    // item unavailable on this platform; true when the section was read (valid or not).
    bool ReadItem(const std::string& section);
    // A check-state word's number; with an item, DEVCHK runs the device check.
    int ParseCheckState(const std::string& word, const ITEM_RECORD* item) const;
    bool IsValidToInstall(ITEM_RECORD& item, bool checkOnly);
    bool IsValidToUninstall(ITEM_RECORD& item, bool checkOnly);
    // item may be null (found by section); printerTest asks for a local printer using the driver
    // rather than the installed driver.
    bool IsInstalled(const std::string& section, const ITEM_RECORD* item, bool printerTest) const;
    // The parameter lines of the section, read in the item's language; false when they cannot be read.
    bool ReadParameters(ITEM_RECORD& item, const std::string& section) const;
    // Sets the item language from its ITEM_LANG section and the language's abbreviation and directory.
    bool SetItemLanguage(ITEM_RECORD& item, WORD langId) const;

    // Setup type and check states.
    // Setup_Type under Installing; false (value untouched) when it cannot be read.
    bool ReadSetupType(DWORD* setupType) const;
    // Setup_Type, 1 when it cannot be read.
    DWORD GetSetupType() const;
    // The check state re-evaluated through Install_Type (keep: the stored one).
    int GetCheckState(int index, bool keep);
    // The list state of an item for the filter; checkState -1 uses the stored one.
    int GetListState(ITEM_RECORD& item, int checkState, int filter);
    // The rows of the selection list for the filter (ItemFilterFromText).
    std::vector<ItemListRow> FillSelectionList(int filter);
    // The selection dialog's next step. True to go on to the next dialog; false to stay. printerSelected
    // (may be null) tells whether a selected item has a driver name.
    bool CommitSelection(const std::vector<ItemListRow>& rows, const SelectionCommit& dialog,
                         bool* printerSelected);
    // CT_WRITE_ITEM_INFO: selects by check state, writes the history, copy-file and shortcut records
    // and builds the printer list.
    bool WriteItemInfo();
    // CT_CHECK_ITEM: runs parameter 1 with exactly one item, else parameter 2.
    bool CheckItems(const CommandRecord& record);
    // The delete-all rule: every installed item selected and its history written again, then the setup
    // type set to uninstall.
    void SelectInstalledForRemoval();
    void ClearSelection();
    // A selection dialog is entered: the item records of an earlier selection go, and no item is
    // selected.
    void StartNewSelection();
    bool AnyInstalled() const;
    // Whether the helper reported a failure for an item in this run, recorded as a failure or not.
    bool AnyFailedInRun() const;
    bool HasUninstallData() const;
    // Rewrites the /P switch of a printer item's install parameter with its printer's port.
    bool ChangePrinterParameter(int index);
    bool AddOsUninstallKey();
    bool RemoveOsUninstallKey();
    // Fills the printer manager's list from the printer items (byCheckState: check state 1, 2 or 4 only).
    void BuildPrinterList(bool byCheckState);

    // Install history.
    bool WriteItemHistory(ITEM_RECORD* item, int index);
    void WriteAllItemHistories();
    void WriteCopyFileRecords(const ITEM_RECORD& item);
    bool WriteDefaultCopyFileRecords();
    bool WriteShortcutRecords();
    bool DeleteItemHistory(int index);
    void RecordFailure(int index);
    int GetFailureCount() const;
    // The display name of the item of failure n; empty when there is none.
    std::string GetFailedItemName(int n) const;
    void SaveHistory();
    void SetAlternateParameter(bool on) { m_history.SetAlternateParameter(on); }
    CInstallHistory& GetHistory() { return m_history; }

    // Item types and INF items.
    bool ReadItemTypes();
    const std::vector<ItemTypeRecord>& GetItemTypes() const { return m_itemTypes; }
    // Matches the item's INF class to an item type; unless checkOnly, fills its commands and parameters.
    bool ResolveInfItem(ITEM_RECORD& item, bool checkOnly);

protected:
    // The device identifier the DEVCHK test compares; false when none was obtained.
    virtual bool QueryDeviceId(std::string& deviceId) const;
    // Whether a printer driver of that name is installed, or (printerTest) a local printer uses it.
    virtual bool IsPrinterDriverPresent(const std::string& driverName, bool printerTest) const;

private:
    void ReadItemKeys(ITEM_RECORD& item) const;
    void ReadDescriptions(ITEM_RECORD& item) const;
    bool ApplySelectionRows(const std::vector<ItemListRow>& rows, bool& printerSelected);
    void WriteSelectionRecords();
    bool ReadItemText(const ITEM_RECORD& item, const char* key, std::string& value, bool platformFirst,
                      bool inItemLanguage) const;
    void ReadItemCommands(ITEM_RECORD& item, bool inItemLanguage) const;
    void ReadPrinterInfs(ITEM_RECORD& item, bool inItemLanguage) const;
    DriverInstallerArguments PrinterArguments(const ITEM_RECORD& item, int index) const;
    bool PortForItem(int index, std::string& port) const;
    void ApplyDriverOption(const ITEM_RECORD& item);
    bool ReadItemType(const std::string& section, ItemTypeRecord& type) const;
    std::string ExpandInItemLanguage(const std::string& text, const ITEM_RECORD& item) const;
    bool ReadInstallType(std::string& installType) const;
    bool RunCommand(const char* type, const std::string& parameter);
    bool RunTarget(const std::string& target);

    CLog& m_log;
    CInstallEnv& m_env;
    CInfInfo m_infInfo;
    CInstallHistory m_history;
    CMyPrinter* m_printers = nullptr;
    CCmdOperator* m_commands = nullptr;
    std::vector<std::unique_ptr<ITEM_RECORD>> m_items;
    std::vector<ItemTypeRecord> m_itemTypes;
    std::string m_listSection;
    std::string m_osUninstallSection = kDefaultOsUninstallSection;
};
