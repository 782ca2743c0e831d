#include "items/UninstallRecords.h"

#include <cstring>
#include <map>
#include <set>
#include <utility>
#include <vector>

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

// The number in an entry name as EntryName writes it: the kind's prefix (any case, as the registry
// compares names) and decimal digits without a leading zero.
bool ParseEntryNumber(const std::string& name, const char* prefix, DWORD& number)
{
    const size_t prefixLength = std::strlen(prefix);
    if (name.size() <= prefixLength || name.size() - prefixLength > 10 || !StartsWithAsciiNoCase(name, prefix) ||
        (name.size() - prefixLength > 1 && name[prefixLength] == '0'))
    {
        return false;
    }
    unsigned long long value = 0;
    for (size_t at = prefixLength; at < name.size(); ++at)
    {
        if (name[at] < '0' || name[at] > '9')
        {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(name[at] - '0');
    }
    if (value > 0xFFFFFFFFull)
    {
        return false;
    }
    number = static_cast<DWORD>(value);
    return true;
}

// What a history root lists, read in one enumeration of its values: per kind the count and the
// entries numbered below it. A kind without a count has no entries.
struct RootRecords
{
    std::map<DWORD, std::string> entries[kKindCount];
    bool counted[kKindCount] = {};
};

RootRecords ReadRoot(const std::string& root)
{
    RootRecords records;
    std::vector<CRegistry::ListedValue> values;
    if (CRegistry::ListValues(root.c_str(), HKEY_LOCAL_MACHINE, values) != ERROR_SUCCESS)
    {
        return records;
    }
    DWORD counts[kKindCount] = {};
    for (const CRegistry::ListedValue& value : values)
    {
        for (int kind = 0; kind < kKindCount; ++kind)
        {
            DWORD number = 0;
            if (value.type == REG_DWORD && EqualsAsciiNoCase(value.name, kKinds[kind].count))
            {
                records.counted[kind] = true;
                counts[kind] = value.number;
            }
            else if (value.type == REG_SZ && value.text.size() < static_cast<size_t>(kEntryTextSize) &&
                     ParseEntryNumber(value.name, kKinds[kind].entryPrefix, number))
            {
                records.entries[kind][number] = value.text;
            }
        }
    }
    for (int kind = 0; kind < kKindCount; ++kind)
    {
        std::map<DWORD, std::string>& entries = records.entries[kind];
        entries.erase(entries.lower_bound(counts[kind]), entries.end());
    }
    return records;
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
    CLockGuard guard(m_rootLock);
    const bool held = m_openRootKey.IsValid() && m_openRoot == historyRoot;
    HKEY key = nullptr;
    DWORD err = OpenRoot(historyRoot, key);
    if (err == ERROR_SUCCESS)
    {
        err = AppendEntry(key, kind, entry);
    }
    // A key held since an earlier entry may have been deleted meanwhile (the run's records merged into
    // another root, a removal): its writes fail, and the entry goes through the key opened anew.
    if (err != ERROR_SUCCESS && held)
    {
        m_openRootKey.Reset();
        err = OpenRoot(historyRoot, key);
        if (err == ERROR_SUCCESS)
        {
            err = AppendEntry(key, kind, entry);
        }
    }
    if (err != ERROR_SUCCESS)
    {
        m_openRootKey.Reset();
        m_log.WriteError(err, "Create history key fail (%s)", historyRoot.c_str());
        return false;
    }
    return true;
}

DWORD CUninstallRecords::OpenRoot(const std::string& root, HKEY& key)
{
    if (!m_openRootKey.IsValid() || m_openRoot != root)
    {
        m_openRoot.clear();
        const DWORD err = CRegistry::OpenValueKey(root.c_str(), HKEY_LOCAL_MACHINE, m_openRootKey);
        if (err != ERROR_SUCCESS)
        {
            return err;
        }
        m_openRoot = root;
    }
    key = m_openRootKey.Get();
    return ERROR_SUCCESS;
}

// The entry under the next number of its kind, then the count that takes it in.
DWORD CUninstallRecords::AppendEntry(HKEY key, int kind, const std::string& entry)
{
    DWORD count = 0;
    if (CRegistry::GetValue(key, kKinds[kind].count, &count) != ERROR_SUCCESS)
    {
        count = 0;
    }
    const DWORD err = CRegistry::SetValue(key, EntryName(kind, count).c_str(), entry.c_str());
    return err == ERROR_SUCCESS ? CRegistry::SetValue(key, kKinds[kind].count, count + 1) : err;
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
    const RootRecords from = ReadRoot(source);
    const RootRecords to = ReadRoot(destination);
    bool complete = true;
    for (int kind : kMergeOrder)
    {
        if (!from.counted[kind])
        {
            continue;
        }
        // A reinstall records again what the first install recorded: the destination keeps each
        // entry once (paths compared without regard to case), so its records do not grow with every run.
        std::set<std::string> present;
        for (const auto& held : to.entries[kind])
        {
            present.insert(SystemUpper(held.second));
        }
        for (const auto& added : from.entries[kind])
        {
            if (present.insert(SystemUpper(added.second)).second && !AddEntry(added.second, kind, destination))
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
    CloseRoot();
    return true;
}

// Windows 9x and NT 4 have no INF store to uninstall from: INF files are then only deleted. The
// library is loaded by the first INF file among the records, once per application of a root.
class CUninstallRecords::CInfStore
{
public:
    CInfStore(const std::string& library, const std::string& function)
        : m_library(library), m_function(function)
    {
    }

    UninstallInfFunction Function()
    {
        if (!m_looked)
        {
            m_looked = true;
            m_module.Reset(LoadSystemLibrary(m_library.c_str()));
            if (m_module.IsValid())
            {
                m_uninstall = reinterpret_cast<UninstallInfFunction>(
                    reinterpret_cast<void (*)()>(::GetProcAddress(m_module.Get(), m_function.c_str())));
            }
        }
        return m_uninstall;
    }

private:
    const std::string& m_library;
    const std::string& m_function;
    bool m_looked = false;
    CModule m_module;
    UninstallInfFunction m_uninstall = nullptr;
};

bool CUninstallRecords::Apply(const std::string& root, bool deleteOwnProgram)
{
    if (root.empty())
    {
        return false;
    }
    CInfStore infStore(m_infLibrary, m_infFunction);
    CCopyFile copier(m_log, m_osClass);
    // The list is read before anything is removed; each kind goes the last added first.
    const RootRecords records = ReadRoot(root);
    for (int kind : kApplyOrder)
    {
        for (auto entry = records.entries[kind].rbegin(); entry != records.entries[kind].rend(); ++entry)
        {
            RemoveEntry(kind, entry->second, copier, infStore);
        }
    }
    if (deleteOwnProgram)
    {
        char path[MAX_PATH] = {};
        const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH)                  // a cut name would be another file's
        {
            RemoveFile(path, copier, infStore);
        }
    }
    CloseRoot();                                              // its removals may have taken the held key
    return true;
}

void CUninstallRecords::CloseRoot()
{
    CLockGuard guard(m_rootLock);
    m_openRootKey.Reset();
    m_openRoot.clear();
}

void CUninstallRecords::RemoveEntry(int kind, const std::string& entry, CCopyFile& copier,
                                    CInfStore& infStore)
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
        RemoveFile(entry, copier, infStore);
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

void CUninstallRecords::RemoveFile(const std::string& path, CCopyFile& copier, CInfStore& infStore)
{
    const UninstallInfFunction uninstallInf = IsInfFile(path) ? infStore.Function() : nullptr;
    if (uninstallInf != nullptr)
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
