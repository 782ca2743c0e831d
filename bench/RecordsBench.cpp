// Registry records: saving and applying uninstall records for files, registry values and registry
// keys against the same number of plain registry and file calls (one value written per record; one
// value read and one delete call per record).

#include <windows.h>

#include <string>
#include <vector>

#include "base/Scoped.h"
#include "bench/BenchSupport.h"
#include "bench/BenchWin.h"
#include "items/UninstallRecords.h"
#include "log/Log.h"
#include "registry/Registry.h"
#include "support/TempDir.h"

namespace
{
const int kFullRecords = 1000;
const int kQuickRecords = 20;

struct Record
{
    HistoryKind kind;
    std::string text;          // as recorded: a path, "HKEY_LOCAL_MACHINE\key\value" or "HKEY_LOCAL_MACHINE\key"
    std::string path;          // file path or key path below HKEY_LOCAL_MACHINE
    std::string valueName;
};

// Half of the records are files, a quarter registry values, a quarter registry keys: what a product's
// install leaves behind. Every side gets things of its own under base (a folder) and key.
std::vector<Record> PlanRecords(int count, const std::string& base, const std::string& key)
{
    std::vector<Record> records;
    for (int i = 0; i < count; ++i)
    {
        const std::string number = std::to_string(i);
        if (i % 4 < 2)
        {
            const std::string path = base + "\\file" + number + ".dll";
            records.push_back({kHistoryFile, path, path, std::string()});
        }
        else if (i % 4 == 2)
        {
            records.push_back({kHistoryRegistryValue, "HKEY_LOCAL_MACHINE\\" + key + "\\Value" + number, key,
                               "Value" + number});
        }
        else
        {
            const std::string subKey = key + "\\Key" + number;
            records.push_back({kHistoryRegistryKey, "HKEY_LOCAL_MACHINE\\" + subKey, subKey, std::string()});
        }
    }
    return records;
}

bool CreateThings(const std::string& base, const std::vector<Record>& records)
{
    bool complete = ::CreateDirectoryA(base.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
    for (const Record& record : records)
    {
        if (record.kind == kHistoryFile)
        {
            complete = WriteSizedFile(record.path, 64, 0) && complete;
        }
        else if (record.kind == kHistoryRegistryValue)
        {
            complete = CRegistry::SetValue(record.path.c_str(), record.valueName.c_str(), "1", HKEY_LOCAL_MACHINE) ==
                           ERROR_SUCCESS && complete;
        }
        else
        {
            complete = CRegistry::SetValue(record.path.c_str(), "Data", "1", HKEY_LOCAL_MACHINE) == ERROR_SUCCESS &&
                       complete;
        }
    }
    return complete;
}

bool RegistryThingLeft(const Record& record)
{
    CRegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, record.path.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
    {
        return false;
    }
    return record.kind == kHistoryRegistryKey ||
           ::RegQueryValueExA(key.Get(), record.valueName.c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
}

bool AnyLeft(const std::vector<Record>& records)
{
    for (const Record& record : records)
    {
        const bool left = record.kind == kHistoryFile
                              ? ::GetFileAttributesA(record.path.c_str()) != INVALID_FILE_ATTRIBUTES
                              : RegistryThingLeft(record);
        if (left)
        {
            return true;
        }
    }
    return false;
}

void EngineSave(CUninstallRecords& engine, const std::vector<Record>& records, const std::string& root)
{
    for (const Record& record : records)
    {
        (void)engine.AddEntry(record.text, record.kind, root);
    }
}

// The plain side of saving: one key opened once, one value written per record.
void PlainSave(const std::vector<Record>& records, const std::string& root)
{
    CRegKey key;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, root.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(),
                          nullptr) != ERROR_SUCCESS)
    {
        return;
    }
    for (size_t i = 0; i < records.size(); ++i)
    {
        const std::string name = "Entry" + std::to_string(i);
        const BYTE* data = reinterpret_cast<const BYTE*>(records[i].text.c_str());
        (void)::RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, data,
                               static_cast<DWORD>(records[i].text.size() + 1));
    }
}

// The plain side of applying: per record one value read and one delete call, last record first.
void PlainApply(const std::vector<Record>& records, const std::string& root, const std::string& valueKey)
{
    CRegKey key;
    CRegKey values;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, root.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS ||
        ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, valueKey.c_str(), 0, KEY_ALL_ACCESS, values.Receive()) != ERROR_SUCCESS)
    {
        return;
    }
    for (size_t i = records.size(); i-- > 0;)
    {
        const std::string name = "Entry" + std::to_string(i);
        char text[MAX_PATH * 2] = {};
        DWORD size = sizeof(text) - 1;
        (void)::RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
        const Record& record = records[i];
        if (record.kind == kHistoryFile)
        {
            (void)::DeleteFileA(record.path.c_str());
        }
        else if (record.kind == kHistoryRegistryValue)
        {
            (void)::RegDeleteValueA(values.Get(), record.valueName.c_str());
        }
        else
        {
            (void)::RegDeleteKeyA(HKEY_LOCAL_MACHINE, record.path.c_str());
        }
    }
}

struct Samples
{
    std::vector<double> engineSave;
    std::vector<double> plainSave;
    std::vector<double> engineApply;
    std::vector<double> plainApply;
    std::vector<double> openPerCall;      // one value written per record with the key opened each time
};

// The plain save again, but opening and closing the key for every value as CRegistry::SetValue does.
void SaveOpeningEachTime(const std::vector<Record>& records, const std::string& root)
{
    for (size_t i = 0; i < records.size(); ++i)
    {
        (void)CRegistry::SetValue(root.c_str(), ("Entry" + std::to_string(i)).c_str(), records[i].text.c_str(),
                                  HKEY_LOCAL_MACHINE);
    }
}

double Milliseconds(double start)
{
    return (NowMicroseconds() - start) / 1000;
}
// Both sides' things, records and keys, each under a key of this process.
struct Plan
{
    std::string key;
    std::string work;
    std::vector<Record> engineRecords;
    std::vector<Record> plainRecords;
    std::string engineRoot;
    std::string plainRoot;
};

Plan MakePlan(int count, const std::string& work)
{
    const std::string key = "Software\\KvBench" + std::to_string(::GetCurrentProcessId());
    return {key,
            work,
            PlanRecords(count, work + "\\engine", key + "\\EngineThings"),
            PlanRecords(count, work + "\\plain", key + "\\PlainThings"),
            key + "\\EngineHistory",
            key + "\\PlainHistory"};
}

// One round: both sides save and apply (the order alternates, so that neither side always meets the
// other's leftovers in the caches), then the plain save again with a key opened per value. False when
// anything was left behind.
bool TimeRound(int iteration, const Plan& plan, CLog& log, Samples& samples)
{
    if (!CreateThings(plan.work + "\\engine", plan.engineRecords) ||
        !CreateThings(plan.work + "\\plain", plan.plainRecords))
    {
        return false;
    }
    CUninstallRecords engine(log, plan.engineRoot);
    for (int side = 0; side < 2; ++side)
    {
        const bool engineSide = (side + iteration) % 2 == 0;
        double start = NowMicroseconds();
        if (engineSide)
        {
            EngineSave(engine, plan.engineRecords, plan.engineRoot);
        }
        else
        {
            PlainSave(plan.plainRecords, plan.plainRoot);
        }
        (engineSide ? samples.engineSave : samples.plainSave).push_back(Milliseconds(start));
        start = NowMicroseconds();
        if (engineSide)
        {
            (void)engine.Apply(plan.engineRoot, false);
        }
        else
        {
            PlainApply(plan.plainRecords, plan.plainRoot, plan.key + "\\PlainThings");
        }
        (engineSide ? samples.engineApply : samples.plainApply).push_back(Milliseconds(start));
    }
    const double start = NowMicroseconds();
    SaveOpeningEachTime(plan.plainRecords, plan.key + "\\OpenedEachTime");
    samples.openPerCall.push_back(Milliseconds(start));
    const bool clean = !AnyLeft(plan.engineRecords) && !AnyLeft(plan.plainRecords);
    (void)CRegistry::DeleteKey(plan.key.c_str(), false, HKEY_LOCAL_MACHINE);
    return clean;
}
}  // namespace

int main(int argc, char** argv)
{
    const BenchOptions options = ParseBenchOptions(argc, argv);
    const int count = options.quick ? kQuickRecords : kFullRecords;
    const char* saveWhat = "save records: CUninstallRecords vs one value write each";
    const char* applyWhat = "apply records: CUninstallRecords vs one read and one delete each";
    CTempDir work;
    const Plan plan = MakePlan(count, work.Path());
    CLog log;                                                  // never opened: writes do nothing
    Samples samples;
    bool complete = !work.Path().empty();
    for (int iteration = 0; iteration < options.iterations && complete; ++iteration)
    {
        complete = TimeRound(iteration, plan, log, samples);
    }
    if (!complete)
    {
        PrintMissingRow("5", applyWhat, "the records or the things they list were not all removed");
        return 1;
    }
    PrintRow("5a", saveWhat, Median(samples.engineSave), Median(samples.plainSave), "ms", 2.0);
    PrintRow("5b", applyWhat, Median(samples.engineApply), Median(samples.plainApply), "ms", 2.0);
    PrintNote("5", "where the time goes: the plain save with the key opened and closed for each value "
                   "(as CRegistry::SetValue by path does) %.3f ms; a record costs a count read and two writes "
                   "on its root's open key, three calls where the plain save makes one",
              Median(samples.openPerCall));
    PrintNote("5", "%d records: half files, a quarter registry values, a quarter registry keys", count);
    return 0;
}
