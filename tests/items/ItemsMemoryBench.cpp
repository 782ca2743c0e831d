// Memory use of the item collection: the peak private bytes of a process that reads a product of 1, 10
// and 100 items (each with typical texts in every field). Without arguments the program runs itself
// once per size, so that each figure is the peak of a fresh process, and prints the table; with a
// size as its argument it reads that many items and prints one line. Not a test: no thresholds.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Scoped.h"
#include "env/EnvTestSupport.h"
#include "env/InstallEnv.h"
#include "env/InstallPaths.h"
#include "items/Item.h"
#include "registry/Registry.h"

namespace
{
struct MemoryCounters                                         // PROCESS_MEMORY_COUNTERS
{
    DWORD cb;
    DWORD PageFaultCount;
    SIZE_T PeakWorkingSetSize;
    SIZE_T WorkingSetSize;
    SIZE_T QuotaPeakPagedPoolUsage;
    SIZE_T QuotaPagedPoolUsage;
    SIZE_T QuotaPeakNonPagedPoolUsage;
    SIZE_T QuotaNonPagedPoolUsage;
    SIZE_T PagefileUsage;
    SIZE_T PeakPagefileUsage;
};

// The private (committed) bytes now and at their peak so far; zeros when the process status library is
// missing.
struct PrivateBytes
{
    SIZE_T now = 0;
    SIZE_T peak = 0;
};

PrivateBytes QueryPrivateBytes()
{
    using Query = BOOL(WINAPI*)(HANDLE, MemoryCounters*, DWORD);
    const CModule library(::LoadLibraryA("psapi.dll"));
    Query query = library.IsValid()
                      ? reinterpret_cast<Query>(reinterpret_cast<void (*)()>(::GetProcAddress(library.Get(), "GetProcessMemoryInfo")))
                      : nullptr;
    MemoryCounters counters = {};
    counters.cb = sizeof(counters);
    const bool known = query != nullptr && query(::GetCurrentProcess(), &counters, sizeof(counters));
    PrivateBytes bytes;
    if (known)
    {
        bytes.now = counters.PagefileUsage;
        bytes.peak = counters.PeakPagefileUsage;
    }
    return bytes;
}

std::string ItemSection(int index)
{
    const std::string n = std::to_string(index);
    return "[ITEM" + n + "]\r\nDISPLAY_NAME = Kp Utility " + n +
           "\r\nDESCRIPTION = Installs %s, the status monitor of the printer family.\r\n"
           "TOOLTIP = The status monitor shows the toner level and paper jams.\r\n"
           "INST_CMD = $SRC_DIR$\\inst.exe\r\nUNINST_CMD = $SRC_DIR$\\inst.exe\r\nINST_PARAM = /s /lang:$LANG_ABBR$\r\n"
           "UNINST_KEY = KpUtility" + n + "\r\nWAIT_FILE = C:\\Kp\\done.txt\r\nPRINTER_NAME = Kp Printer " + n +
           "\r\nSHARE_NAME = KP" + n + "\r\nCOPY_FILE = DRV, MANUALS\r\nDEFAULT_INST_TYPE = CHK\r\n";
}

int ReadItems(int count)
{
    CTempDir root;
    CTempDirOverride tmp(root.Path() + "\\");
    const std::string mfg = "KvBenchItems" + std::to_string(::GetCurrentProcessId());
    std::string data = "[PROGRAM_INFO]\r\nMFG = " + mfg +
                       "\r\nMDL = KP-3100\r\nVIDPID = VID_1234&PID_5678\r\nPROGRAM_NAME = Bench\r\n[ITEM_INFO]\r\n";
    std::string sections;
    for (int index = 0; index < count; ++index)
    {
        data += "ITEM" + std::to_string(index) + "\r\n";
        sections += ItemSection(index);
    }
    const std::string src = root.Path() + "\\Disk1";
    ::CreateDirectoryA(src.c_str(), nullptr);
    if (!WriteTreeFile(src, "Setup.dat", data + sections) || !WriteTreeFile(src, "inst.exe", "MZ") ||
        !WriteTreeFile(src, "data\\kvinst.kvi", "[DLG]\r\nA = 1\r\n") ||
        !WriteTreeFile(src, "data\\kvinst.cmd", "[CMD]\r\nA = 1\r\n") ||
        !WriteTreeFile(src, "data\\String\\Lang_EN.str", "[MESSAGES]\r\nA = 1\r\n"))
    {
        std::printf("the product could not be written\n");
        return 1;
    }
    const PrivateBytes start = QueryPrivateBytes();
    PrivateBytes before;
    PrivateBytes after;
    int read = 0;
    {
        CLog log;
        CInstallEnv env(log, src + "\\Setup.exe");
        if (!env.Init())
        {
            std::printf("the environment did not start\n");
            return 1;
        }
        before = QueryPrivateBytes();
        CItem items(log, env);
        (void)items.ReadItems();
        read = items.GetCount();
        after = QueryPrivateBytes();
    }
    (void)CRegistry::DeleteKey(("Software\\" + mfg).c_str(), false, HKEY_LOCAL_MACHINE);
    CTempDir::RemoveTree(QuerySystemDirectories().programFilesDir + "\\" + mfg);
    auto kb = [](SIZE_T bytes) { return static_cast<unsigned long>(bytes / 1024); };
    std::printf("items %3d (read %3d): peak private KB at start %6lu, after start-up %6lu, after reading %6lu; "
                "held by the items %5lu KB\n",
                count, read, kb(start.peak), kb(before.peak), kb(after.peak),
                kb(after.now > before.now ? after.now - before.now : 0));
    return 0;
}

int RunSizes(const char* self)
{
    for (int count : {1, 10, 100})
    {
        std::string commandLine = "\"" + std::string(self) + "\" " + std::to_string(count);
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        if (!::CreateProcessA(self, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        {
            std::printf("could not start the measuring run for %d items\n", count);
            return 1;
        }
        const CHandle process(info.hProcess);
        const CHandle thread(info.hThread);
        ::WaitForSingleObject(process.Get(), INFINITE);
    }
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc > 1)
    {
        return ReadItems(std::atoi(argv[1]));
    }
    std::printf("one item record: %u bytes plus the heap blocks of its texts longer than the string's own room\n",
                static_cast<unsigned>(sizeof(ITEM_RECORD)));
    char self[MAX_PATH + 1] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    return RunSizes(self);
}
