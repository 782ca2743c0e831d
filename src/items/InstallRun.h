#pragma once
// The install run: each selected item is handed to the install helper (MyInstall) with the path of
// its record under the Installing key; a failed item never stops the run. The item's state changes
// with each result, and the run ends with CT_INSTALL_UPDATE, or CT_DELETE_ALL after an uninstall.
// Three drivers share the per-item step: the silent install or reinstall, the silent uninstall and
// the script install of the setting file. Everything passed in must outlive the run.

#include <string>

#include "items/RunHooks.h"

class CCmdOperator;
class CInstallEnv;
class CItem;
class CLog;
class CUninstallRecords;

class CInstallRun
{
public:
    CInstallRun(CLog& log, CInstallEnv& env, CItem& items, CCmdOperator& commands, CUninstallRecords& records,
                RunHooks hooks);
    CInstallRun(const CInstallRun&) = delete;
    CInstallRun& operator=(const CInstallRun&) = delete;

    // The per-item step: MyInstall(0, Installing root, item record, installed flag) and its log line
    // " %s Installation/ReInstallation/Uninstallation ==> Success" (or "Fail") with the display name,
    // the same for every setup type and every driver.
    // True when the helper reported success; false also for a bad index.
    bool RunItem(int index);
    // A result in the thread that owns the item state. Success: after an uninstall the installed flag
    // is cleared and the item's record under Installed deleted; otherwise the flag is set and a
    // printer item's printer marked installed. Failure: the flag is cleared, or with recordFailure the
    // failure is recorded instead.
    void ApplyResult(int index, bool succeeded, bool recordFailure);

    // Each driver answers true only when it did its work and no item failed.
    bool SilentInstall(bool reinstall);
    bool SilentUninstall();
    bool ScriptInstall(const std::string& settingFile);
    // The port a script set: a port name for all printers, or an address that gets an "IP_%s" port.
    void ApplyScriptedPort();

    int GetSucceededCount() const { return m_succeeded; }

    // The "DEFAULT " value of a script: 0 off, 2 on only without a local printer, anything else on.
    static bool DefaultPrinterFromScript(int value, bool hasLocalPrinter);

private:
    bool PrepareItems(bool uninstall);
    void KeepInterruptedRun();
    bool CopyRecordedFiles();
    void RunSelectedItems();
    bool FinishInstall();
    void ApplyScriptDefaultPrinter(const std::string& settingFile);
    void ReadScriptPort(const std::string& settingFile);
    bool Execute(const char* type, const char* p1 = "");
    void SetSetupType(unsigned setupType);

    CLog& m_log;
    CInstallEnv& m_env;
    CItem& m_items;
    CCmdOperator& m_commands;
    CUninstallRecords& m_records;
    RunHooks m_hooks;
    bool m_portFromScript = false;
    int m_failed = 0;
    int m_succeeded = 0;
};
