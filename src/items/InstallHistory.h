#pragma once
// The install history: the registry records the installer writes about items, copy-file sections and
// shortcuts under the Installing root of the run (all under HKEY_LOCAL_MACHINE), the install failure
// list, and the copy of the removable records to the Installed root at the end of a successful
// install. The item record is the install helper's only input, so its value names and types are
// fixed. Registry write failures are not checked: a value that cannot be written is missing.

#include <windows.h>

#include <string>
#include <vector>

#include "items/ItemRecord.h"

class CInstallEnv;
class CLog;

// The key of an item record under root: "%s\Items\%s".
std::string ItemRecordKey(const std::string& root, const std::string& section);
// "%s\CopyFiles\%s" and "%s\Shortcut\%s".
std::string CopyFileRecordKey(const std::string& root, const std::string& section);
std::string ShortcutRecordKey(const std::string& root, const std::string& section);
// "%s\InstallFail".
std::string FailureListKey(const std::string& root);

// An item's live uninstall information: the value valueName under the uninstall-information key
// (HKEY_LOCAL_MACHINE), as its text, or as the decimal text of a number (a helper may store either).
// False when the value is missing or of another type; text is written only on success.
bool ReadUninstallInfo(const std::string& uninstallInfoKey, const std::string& valueName, std::string& text);

// A shortcut's Start_in when START_IN is absent: the target trimmed of blanks, tabs and double quotes
// and cut before its last "\" (empty without one).
std::string ShortcutStartIn(const std::string& target);

// What the printer manager gives an item record when the AUTO_PRINTER_CMD option is on; an empty
// text means it gave nothing and the general parameter rule applies.
struct DriverInstallerArguments
{
    std::string installSwitches;
    std::string uninstallArgument;
};

class CInstallHistory
{
public:
    // env gives the profiles, the platform key and the registry roots; both must outlive the object.
    CInstallHistory(CLog& log, CInstallEnv& env);
    CInstallHistory(const CInstallHistory&) = delete;
    CInstallHistory& operator=(const CInstallHistory&) = delete;

    // Writes the item record's values under Installing (the key is not cleared first). The record's
    // commands and parameters must be current (re-read in the item language by the caller). With the
    // AUTO_PRINTER_CMD option on and a printer name, printerArguments replace the general rule where
    // they are not empty. False for an empty section name.
    bool WriteItemValues(const ITEM_RECORD& item, const DriverInstallerArguments* printerArguments);
    // The InstParam value alone (after a port change).
    void WriteInstallParameter(const std::string& section, const std::string& parameter);

    // The copy-file record of one section name (its platform variant when the command file has one).
    // False when the section cannot be read.
    bool WriteCopyFileRecord(const std::string& sectionName);
    // One record per entry of a "," separated COPY_FILE list, in order.
    void WriteCopyFileList(const std::string& list);
    // One record per entry of COPY_FILE_INFO of the command file; true also when it cannot be read.
    bool WriteDefaultCopyFileRecords();
    // The shortcut record of one section (details from the command file); false without NAME.
    bool WriteShortcutRecord(const std::string& sectionName);
    // One record per entry of SHORTCUT_INFO of the data file; false when it cannot be read. The list of
    // shortcut names starts afresh with each call.
    bool WriteShortcutRecords();
    // The shortcut sections of the last write of the records, in the order written, each name once.
    const std::vector<std::string>& GetShortcutNames() const { return m_shortcutNames; }

    // Deletes every item record under Installing (a new selection is about to be made).
    void DeleteInstallingItemRecords();
    // Deletes the item's record under Installed; true when the key was deleted.
    bool DeleteItemRecord(const std::string& section);
    // InstallNow of the item's record under root; false when it cannot be read.
    bool ReadInstallNow(const std::string& root, const std::string& section, DWORD* value) const;

    // Appends the section name to the failure list under Installing.
    void RecordFailure(const std::string& section);
    DWORD GetFailureCount() const;
    // The section name of failure n; empty when there is none.
    std::string GetFailedSection(DWORD n) const;

    // The end of a successful install: the Installing root's values, the removable item records of
    // sections (in list order), the shortcut records written in this run, and the uninstall records of
    // the Installing history root merged into the Installed one.
    void SaveHistory(const std::vector<std::string>& sections);

    // The alternate-parameter switch of the item selection dialog.
    void SetAlternateParameter(bool on) { m_alternateParameter = on; }

private:
    void WriteParameters(const std::string& key, const ITEM_RECORD& item,
                         const DriverInstallerArguments* printerArguments) const;
    void WritePrinterValues(const std::string& key, const ITEM_RECORD& item) const;
    bool IsRemovable(const std::string& itemKey) const;

    CLog& m_log;
    CInstallEnv& m_env;
    std::vector<std::string> m_shortcutNames;
    bool m_alternateParameter = false;
};
