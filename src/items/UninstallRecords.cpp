#include "items/UninstallRecords.h"

#include <set>
#include <utility>

#include "base/APIFunction.h"
#include "base/Scoped.h"
#include "base/TextRules.h"
#include "command/CopyFile.h"
#include "command/FilePath.h"
#include "env/Platform.h"
#include "log/Log.h"
#include "registry/KeyPath.h"
#include "registry/Registry.h"

namespace
{
const int kKindCount = 6;
const int kEntryTextSize = 4096;
const DWORD kForceDelete = 0x00000001;   // SUOI_FORCEDELETE: uninstall even while a device uses the INF

struct KindNames
{
    const char* count;
    const char* entryPrefix;
};

// Indexed by HistoryKind.
const KindNames kKinds[kKindCount] = {
    {"NumOfFiles", "File"},       {"NumOfDirs", "Dir"},           {"NumOfKeys", "Key"},
    {"NumOfValues", "Value"},     {"NumOfShortcuts", "Shortcut"}, {"NumOfDestDirs", "DestDir"},
};

const int kMergeOrder[kKindCount] = {kHistoryRegistryValue, kHistoryRegistryKey,          kHistoryFile,
                                     kHistoryDirectory,     kHistoryDestinationDirectory, kHistoryShortcut};
// Values before their keys, files before the directories that hold them.
const int kApplyOrder[kKindCount] = {kHistoryRegistryValue,        kHistoryRegistryKey, kHistoryFile,
                                     kHistoryDestinationDirectory, kHistoryDirectory,   kHistoryShortcut};

struct HiveName
{
    const char* name;
    HKEY hive;
};

const HiveName kHives[] = {
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},   {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}, {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_USERS", HKEY_USERS},                   {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
    {"HKEY_DYN_DATA", HKEY_DYN_DATA},
};

// A key tree without the parents that CRegistry::DeleteKey also removes when they are left empty: a
// parent goes only when it was recorded itself.
class CHistoryRegistry : public CRegistry
{
public:
    static DWORD DeleteTree(const char* key, HKEY root) { return DeleteSubKey(key, root); }
};

std::string EntryName(int kind, DWORD index)
{
    return kKinds[kind].entryPrefix + std::to_string(index);
}

bool ReadCount(const std::string& root, int kind, DWORD& count)
{
    return CRegistry::GetValue(root.c_str(), kKinds[kind].count, &count, HKEY_LOCAL_MACHINE) == ERROR_SUCCESS;
}

bool ReadEntry(const std::string& root, int kind, DWORD index, std::string& text)
{
    char buffer[kEntryTextSize] = {};
    if (CRegistry::GetValue(root.c_str(), EntryName(kind, index).c_str(), buffer, HKEY_LOCAL_MACHINE,
                            kEntryTextSize) != ERROR_SUCCESS)
    {
        return false;
    }
    text = buffer;
    return true;
}

// A 32-bit program's writes to the system directory land in SysWOW64 on 64-bit Windows.
std::string MapToSysWow64(const std::string& path)
{
    std::string upper = SystemUpper(path);
    static const char kSystem32[] = "\\SYSTEM32\\";
    for (size_t separator : FindPathSeparators(upper))
    {
        if (upper.compare(separator, sizeof(kSystem32) - 1, kSystem32) == 0)
        {
            upper.replace(separator + 1, 8, "SYSWOW64");
            break;
        }
    }
    return upper;
}

std::string SameKeyForm(const std::string& path)
{
    return SystemUpper(TrimKeySeparators(path));
}
}  // namespace

HKEY HiveFromName(const std::string& name)
{
    for (const HiveName& entry : kHives)
    {
        if (EqualsAsciiNoCase(name, entry.name))
        {
            return entry.hive;
        }
    }
    return nullptr;
}

bool ParseValueEntry(const std::string& entry, HKEY& hive, std::string& keyPath, std::string& valueName)
{
    const size_t first = FindFirstKeySeparator(entry);
    const size_t last = FindLastKeySeparator(entry);
    if (first == std::string::npos || first == last)
    {
        return false;
    }
    HKEY named = HiveFromName(entry.substr(0, first));
    if (named == nullptr)
    {
        return false;
    }
    hive = named;
    keyPath = entry.substr(first + 1, last - first - 1);
    valueName = entry.substr(last + 1);
    return true;
}

bool ParseKeyEntry(const std::string& entry, HKEY& hive, std::string& keyPath)
{
    const size_t first = FindFirstKeySeparator(entry);
    if (first == std::string::npos)
    {
        return false;
    }
    HKEY named = HiveFromName(entry.substr(0, first));
    hive = named ? named : HKEY_LOCAL_MACHINE;
    keyPath = entry.substr(first + 1);
    return true;
}

CUninstallRecords::CUninstallRecords(CLog& log, std::string currentRoot)
    : m_log(log), m_currentRoot(std::move(currentRoot)), m_wow64(IsWow64())
{
    int osCode = 0;
    (void)GetOsVersionCode(osCode, m_osClass);
}

void CUninstallRecords::SetInfUninstaller(const std::string& library, const std::string& function)
{
    m_infLibrary = library;
    m_infFunction = function;
}

HistoryRecorder CUninstallRecords::Recorder(const std::string& root)
{
    return [this, root](const std::string& text, HistoryKind kind) { return AddEntry(text, kind, root); };
}

bool CUninstallRecords::AddEntry(const std::string& text, int kind, const std::string& root)
{
    if (kind < 0 || kind >= kKindCount)
    {
        return false;
    }
    const std::string& historyRoot = root.empty() ? m_currentRoot : root;
    const std::string entry = (kind == kHistoryFile && m_wow64) ? MapToSysWow64(text) : text;
    DWORD count = 0;
    if (!ReadCount(historyRoot, kind, count))
    {
        count = 0;
    }
    DWORD err = CRegistry::SetValue(historyRoot.c_str(), EntryName(kind, count).c_str(), entry.c_str(),
                                    HKEY_LOCAL_MACHINE);
    if (err == ERROR_SUCCESS)
    {
        err = CRegistry::SetValue(historyRoot.c_str(), kKinds[kind].count, count + 1, HKEY_LOCAL_MACHINE);
    }
    if (err != ERROR_SUCCESS)
    {
        m_log.WriteError(err, "Create history key fail (%s)", historyRoot.c_str());
        return false;
    }
    return true;
}

bool CUninstallRecords::Merge(const std::string& source, const std::string& destination)
{
    const std::string sourceForm = SameKeyForm(source);
    const std::string destinationForm = SameKeyForm(destination);
    // Deleting the source afterwards would take a destination inside it along.
    if (sourceForm.empty() || destinationForm.empty() || sourceForm == destinationForm ||
        destinationForm.compare(0, sourceForm.size() + 1, sourceForm + "\\") == 0)
    {
        return false;
    }
    bool complete = true;
    for (int kind : kMergeOrder)
    {
        DWORD count = 0;
        if (!ReadCount(source, kind, count))
        {
            continue;
        }
        // A reinstall records again what the first install recorded: the destination keeps each
        // entry once (paths compared without regard to case), so its records do not grow with every run.
        std::set<std::string> present;
        DWORD held = 0;
        if (ReadCount(destination, kind, held))
        {
            for (DWORD index = 0; index < held; ++index)
            {
                std::string text;
                if (ReadEntry(destination, kind, index, text))
                {
                    present.insert(SystemUpper(text));
                }
            }
        }
        for (DWORD index = 0; index < count; ++index)
        {
            std::string text;
            if (!ReadEntry(source, kind, index, text) || !present.insert(SystemUpper(text)).second)
            {
                continue;
            }
            if (!AddEntry(text, kind, destination))
            {
                complete = false;
            }
        }
    }
    // Entries that did not make it stay where they are, so that an uninstall still finds them.
    if (!complete)
    {
        return false;
    }
    (void)CHistoryRegistry::DeleteTree(source.c_str(), HKEY_LOCAL_MACHINE);
    return true;
}

bool CUninstallRecords::Apply(const std::string& root, bool deleteOwnProgram)
{
    if (root.empty())
    {
        return false;
    }
    // Windows 9x and NT 4 have no INF store to uninstall from: INF files are then only deleted.
    CModule setupApi(LoadSystemLibrary(m_infLibrary.c_str()));
    UninstallInfFunction uninstallInf = nullptr;
    if (setupApi.IsValid())
    {
        uninstallInf = reinterpret_cast<UninstallInfFunction>(
            reinterpret_cast<void (*)()>(::GetProcAddress(setupApi.Get(), m_infFunction.c_str())));
    }
    CCopyFile copier(m_log, m_osClass);
    for (int kind : kApplyOrder)
    {
        ApplyKind(root, kind, copier, uninstallInf);
    }
    if (deleteOwnProgram)
    {
        char path[MAX_PATH] = {};
        const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH)                  // a cut name would be another file's
        {
            RemoveFile(path, copier, uninstallInf);
        }
    }
    return true;
}

void CUninstallRecords::ApplyKind(const std::string& root, int kind, CCopyFile& copier,
                                  UninstallInfFunction uninstallInf)
{
    DWORD count = 0;
    if (!ReadCount(root, kind, count))
    {
        return;
    }
    for (DWORD index = count; index-- > 0;)
    {
        std::string entry;
        if (ReadEntry(root, kind, index, entry))
        {
            RemoveEntry(kind, entry, copier, uninstallInf);
        }
    }
}

void CUninstallRecords::RemoveEntry(int kind, const std::string& entry, CCopyFile& copier,
                                    UninstallInfFunction uninstallInf)
{
    HKEY hive = nullptr;
    std::string keyPath;
    std::string valueName;
    switch (kind)
    {
    case kHistoryRegistryValue:
        if (ParseValueEntry(entry, hive, keyPath, valueName))
        {
            (void)CRegistry::DeleteValue(keyPath.c_str(), valueName.c_str(), hive);
        }
        break;
    case kHistoryRegistryKey:
        if (ParseKeyEntry(entry, hive, keyPath))
        {
            (void)CHistoryRegistry::DeleteTree(keyPath.c_str(), hive);
        }
        break;
    case kHistoryFile:
        RemoveFile(entry, copier, uninstallInf);
        break;
    case kHistoryDestinationDirectory:
        (void)copier.DeleteDirectory(entry.c_str(), true);
        break;
    case kHistoryDirectory:
        (void)copier.DeleteDirectory(entry.c_str(), false);
        break;
    case kHistoryShortcut:
        (void)copier.DeleteFile(entry.c_str());
        break;
    default:
        break;
    }
}

void CUninstallRecords::RemoveFile(const std::string& path, CCopyFile& copier, UninstallInfFunction uninstallInf)
{
    if (uninstallInf != nullptr && IsInfFile(path))
    {
        if (uninstallInf(FileNamePart(path).c_str(), kForceDelete, nullptr))
        {
            m_log.Write("%s file uninstalled", path.c_str());
        }
        else
        {
            const DWORD err = ::GetLastError();
            m_log.WriteError(err, "%s", path.c_str());
        }
    }
    (void)copier.DeleteFile(path.c_str());
}

bool CUninstallRecords::IsInfFile(const std::string& path)
{
    const size_t dot = path.rfind('.');
    return dot != std::string::npos && EqualsAsciiNoCase(path.substr(dot + 1), "INF");
}
