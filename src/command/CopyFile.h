#pragma once
// Copies files and directory trees and deletes them, also when they are in use: what cannot be
// replaced or deleted now is replaced or deleted when Windows next starts. With save history, every
// file the copy creates and every directory it makes is reported to the history recorder.
// Paths of kMaxPathLength characters or more are refused (false), never cut.

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "base/HistoryRecorder.h"

// The member functions below carry these names; callers use CopyFileA and DeleteFileA by name.
#undef CopyFile
#undef DeleteFile

class CAPIFunction;
class CLog;

// One file to copy, as the copy dialog shows and copies it.
struct CopyFileEntry
{
    std::string source;
    std::string destination;
    std::string description;
    int state = 0;
    bool saveHistory = false;
};

class CCopyFile
{
public:
    // osClass is the running system's class (OSCLASS_9X takes the wininit.ini way for files in use).
    // The recorder may be empty: nothing is recorded then. log must outlive the object.
    CCopyFile(CLog& log, int osClass, HistoryRecorder recorder = HistoryRecorder());
    ~CCopyFile();
    CCopyFile(const CCopyFile&) = delete;
    CCopyFile& operator=(const CCopyFile&) = delete;

    // The optional system functions to use (a copy is kept). Without this call they are loaded the
    // first time a file in use needs them.
    void SetSystemFunctions(const CAPIFunction& api);

    // Appends the entries of every subkey of HKEY_LOCAL_MACHINE\listKey; false when the key cannot be
    // opened. Sources that do not exist are skipped; directory sources add one entry per file.
    bool LoadList(const char* listKey);
    // LoadList, then CopyEntry for every entry; logs "Copy file Initial fail!!" when the list is missing.
    bool CopyAll(const char* listKey);
    // false for an index past the list.
    bool CopyEntry(size_t index);
    bool DeleteEntryTarget(size_t index);
    const std::vector<CopyFileEntry>& GetEntries() const { return m_entries; }
    const std::string& GetListKey() const { return m_listKey; }

    // Copies over an existing destination (read-only included), making missing directories and
    // replacing a destination in use; the destination ends with normal attributes. Records the
    // destination only when this copy created it. A path equal to the source but for letter case is
    // left alone (true).
    bool CopyFile(const char* source, const char* destination, bool saveHistory);
    // Makes destination and copies the files of source into it (and its subdirectories when asked).
    // False only when the source cannot be listed or the destination cannot be made; single files
    // that fail do not stop the walk.
    bool CopyDirectory(const char* source, const char* destination, bool includeSubDirectories,
                       bool saveHistory);
    // Makes every missing directory of the path (never the drive or share); records each one made.
    bool CreatePath(const char* directory, bool saveHistory);

    // Deletes a file (blanks and double quotes around the path are ignored); a file in use is moved
    // aside and deleted at the next start. True when the file is gone or scheduled; false for a
    // directory, which is left alone.
    bool DeleteFile(const char* path);
    // Moves the file to a temporary name and deletes that at the next start.
    bool DeleteAtReboot(const char* path);
    // Removes the directory (recursive: with its contents, then every parent left empty). Drive and
    // share roots are never touched. True when the directory is gone.
    bool DeleteDirectory(const char* path, bool recursive);
    // Puts source in place of a destination in use: now (the old file is moved aside and deleted at the
    // next start), or on the Windows 9x family at the next start through wininit.ini.
    bool ReplaceInUse(const char* source, const char* destination);

private:
    void AppendDirectory(const std::string& source, const std::string& destination,
                         const std::string& description, bool includeSubDirectories, bool saveHistory);
    void AppendListEntry(const std::string& entryKey);
    bool CopyNewOrReplace(const std::string& source, const std::string& destination, bool saveHistory);
    bool ReplaceInUseNt(const std::string& source, const std::string& destination);
    bool ReplaceInUse9x(const std::string& source, const std::string& destination);
    // knownAttributes: the file's attributes when the caller has them (INVALID_FILE_ATTRIBUTES: unknown).
    bool DeleteExistingFile(const std::string& path, DWORD knownAttributes = INVALID_FILE_ATTRIBUTES);
    void DeleteContents(const std::string& directory);
    void Record(bool saveHistory, const std::string& text, HistoryKind kind);
    CAPIFunction& Api();

    CLog& m_log;
    int m_osClass;
    HistoryRecorder m_recorder;
    std::unique_ptr<CAPIFunction> m_api;
    std::vector<CopyFileEntry> m_entries;
    std::string m_listKey;
};
