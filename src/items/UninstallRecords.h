#pragma once
// The uninstall records: every file, directory, registry key, registry value, shortcut and destination
// directory the installer creates is listed under a history root (a key path under
// HKEY_LOCAL_MACHINE), so that applying the root removes them again, the last one added first.
// Per kind the root holds a count value (NumOfFiles ...) and one text value per entry (File0 ...).

#include <windows.h>

#include <string>

#include "base/HistoryRecorder.h"
#include "base/Lock.h"
#include "base/Scoped.h"

class CCopyFile;
class CLog;

// The hive of a key or value entry's first part ("HKEY_LOCAL_MACHINE" ...), compared without regard to
// case; null for a name that is not a hive.
HKEY HiveFromName(const std::string& name);

// "hive\key path\value name": false for fewer than two backslashes or an unknown hive.
bool ParseValueEntry(const std::string& entry, HKEY& hive, std::string& keyPath, std::string& valueName);
// "hive\key path": false without a backslash; an unknown hive name means HKEY_LOCAL_MACHINE.
bool ParseKeyEntry(const std::string& entry, HKEY& hive, std::string& keyPath);

class CUninstallRecords
{
public:
    // currentRoot: the history root AddEntry uses when it is given none (the Installing history root
    // of the run). log must outlive the object.
    CUninstallRecords(CLog& log, std::string currentRoot);
    virtual ~CUninstallRecords() = default;
    CUninstallRecords(const CUninstallRecords&) = delete;
    CUninstallRecords& operator=(const CUninstallRecords&) = delete;

    // Appends text to the list of kind (a HistoryKind) under root (empty: the current root). A file in
    // the system directory of a 32-bit program on 64-bit Windows is recorded upper-cased under
    // \SYSWOW64\. False for an unknown kind or when the root cannot be written (logged).
    bool AddEntry(const std::string& text, int kind, const std::string& root = std::string());
    // Appends every entry of source to destination (its numbering continues), then deletes source.
    // False for an empty or equal pair of roots, or when an entry could not be added: source is then kept.
    bool Merge(const std::string& source, const std::string& destination);
    // Removes what root lists: values, keys (with their subkeys), files (an INF file is first
    // uninstalled from the system's INF store), destination directories (with their contents),
    // directories (when empty), shortcuts; with deleteOwnProgram this program's file last. Files in
    // use go at the next start. False only for an empty root.
    bool Apply(const std::string& root, bool deleteOwnProgram);
    // The text after the last "." is "INF" (any case).
    static bool IsInfFile(const std::string& path);

    // A recorder for the copy engine and other creators that adds to root (empty: the current root).
    // The records object must outlive it.
    HistoryRecorder Recorder(const std::string& root = std::string());

protected:
    // For tests: where the INF uninstall function is looked up (default "Setupapi.dll",
    // "SetupUninstallOEMInfA").
    void SetInfUninstaller(const std::string& library, const std::string& function);

private:
    using UninstallInfFunction = BOOL(WINAPI*)(PCSTR infName, DWORD flags, PVOID reserved);

    // The key of root held open for the entries added to it; another root closes the one held.
    DWORD OpenRoot(const std::string& root, HKEY& key);
    DWORD AppendEntry(HKEY key, int kind, const std::string& entry);
    void CloseRoot();
    class CInfStore;                    // the INF uninstall function, loaded when first needed

    void RemoveEntry(int kind, const std::string& entry, CCopyFile& copier, CInfStore& infStore);
    void RemoveFile(const std::string& path, CCopyFile& copier, CInfStore& infStore);

    CLog& m_log;
    std::string m_currentRoot;
    bool m_wow64;
    int m_osClass = 0;
    std::string m_infLibrary = "Setupapi.dll";
    std::string m_infFunction = "SetupUninstallOEMInfA";
    CCriticalSection m_rootLock;                              // the copy thread and the run's own thread add
    std::string m_openRoot;
    CRegKey m_openRootKey;
};
