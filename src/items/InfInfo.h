#pragma once
// INF items: the device class of an INF file, read through the system's INF parser (looked up at run
// time, every call guarded against faults), and the item
// types of the data file that name a generic installer program for each device class, with the
// parameter templates an INF item's commands are built from.

#include <windows.h>

#include <string>

class CLog;

// One entry of ITEM_TYPE_INFO: the device class, the installer program and its parameter templates
// (the templates as written, their $INF$, $SRC_INF$ and $DEST_INF$ words not yet substituted).
struct ItemTypeRecord
{
    std::string className;
    std::string installer;
    std::string instParam;
    std::string uninstParam;
    std::string reinstParam;
};

class CInfInfo
{
public:
    static constexpr size_t kClassSize = 260;

    explicit CInfInfo(CLog& log) : m_log(log) {}

    // The "Class" line of section "Version" (at most kClassSize - 1 characters). False when the INF
    // cannot be opened ("SetupOpenInfFile(%s)" with the system error), has no such line, or the
    // parser faults ("GPF in  CInfInfo::GetClass()"); className is written only on success.
    bool GetClass(const std::string& infPath, std::string& className) const;

private:
    CLog& m_log;
};

// The template with "$INF$" and "$SRC_INF$" replaced by the INF path and "$DEST_INF$" by the
// destination INF path.
std::string SubstituteInfWords(const std::string& text, const std::string& infPath,
                               const std::string& destInfPath);

// The path with the first occurrence of the source directory (compared without regard to case)
// replaced by the destination directory; unchanged when it does not contain it.
std::string ReplaceSourceDirectory(const std::string& path, const std::string& sourceDir,
                                   const std::string& destDir);
