// Items: peak private bytes and time of a process that reads a product's 100 items against one that
// reads 1 item, and Setup.exe /S installing 100 items against 1 with an install helper that answers at
// once. Readings run in child processes of this program (--read), so that each peak is its own; the
// install run alone, without Setup.exe's start, is timed the same way (--install).

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/BenchWin.h"
#include "env/InstallEnv.h"
#include "env/SystemPaths.h"
#include "items/Item.h"
#if defined(KV_BENCH_INSTALL_RUN)
#include "command/CmdOperator.h"
#include "command/CommandEnv.h"
#include "items/InstallRun.h"
#include "items/UninstallRecords.h"
#endif
#include "log/Log.h"
#include "registry/Registry.h"
#include "support/TempDir.h"

namespace
{
const int kItemCounts[] = {100, 1};
// Setup.exe is copied under a name of its own: its log and data file names follow the program's.
const char kProgramName[] = "KvBenchItems";

std::string Maker()
{
    return "KvBenchItems" + std::to_string(::GetCurrentProcessId());
}

bool WriteText(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary);
    file << text;
    return static_cast<bool>(file);
}

// One item section as products write them: name, description, tooltip, check state and install command
// (an item whose install program is missing is not available).
std::string ItemSection(int index)
{
    const std::string number = std::to_string(index);
    return "[ITEM" + number + "]\r\nDISPLAY_NAME = Kestrow utility " + number +
           "\r\nDESCRIPTION = Installs the printer utility number " + number + " and its manual." +
           "\r\nTOOLTIP = Utility " + number + "\r\nDEFAULT_INST_TYPE = CHK\r\nINST_CMD = $SRC_DIR$\\util.exe\r\n";
}

std::string ProgramFile(const std::string& product)
{
    return product + "\\" + kProgramName + ".exe";
}

bool LayOutProduct(const std::string& folder, int items, const std::string& maker)
{
    std::string list = "[ITEM_INFO]\r\n";
    std::string sections;
    for (int index = 0; index < items; ++index)
    {
        list += "ITEM" + std::to_string(index) + "\r\n";
        sections += ItemSection(index);
    }
    const std::string data = "[INSTALLER_FILE_INFO]\r\nINSTALLER_DLL = helper.dll\r\n"
                             "[PROGRAM_INFO]\r\nMFG = " + maker +
                             "\r\nMDL = KP-3100\r\nVIDPID = VID_5A7E&PID_3100\r\nPROGRAM_NAME = " + maker +
                             "\r\n[OS_DEFINE]\r\n0X0001040A = WIN98\r\n0X00020501 = WINXP\r\n0X00020501.64 = WINXP\r\n"
                             "0X00020601 = WIN7\r\n0X00020601.64 = WIN7\r\nDEF_WIN2KS = NT\r\n" +
                             list + sections;
    return ::CreateDirectoryA(folder.c_str(), nullptr) && ::CreateDirectoryA((folder + "\\data").c_str(), nullptr) &&
           ::CreateDirectoryA((folder + "\\data\\String").c_str(), nullptr) &&
           WriteText(folder + "\\" + kProgramName + ".dat", data) &&
           WriteText(folder + "\\util.exe", "MZ") &&
           ::CopyFileA((ProgramDirectory() + "\\BenchHelper.dll").c_str(), (folder + "\\helper.dll").c_str(), FALSE) &&
           ::CopyFileA((ProgramDirectory() + "\\Setup.exe").c_str(), ProgramFile(folder).c_str(), FALSE) &&
           WriteText(folder + "\\data\\kvinst.kvi", "[DLG]\r\nTITLE = T\r\n") &&
           WriteText(folder + "\\data\\kvinst.cmd", "[CMD]\r\nX = 1\r\n") &&
           WriteText(folder + "\\data\\String\\Lang_EN.str", "[MESSAGES]\r\nTITLE = Welcome\r\n");
}

// The child: starts the environment on the product, reads its items and writes
// "milliseconds peak-bytes item-count" to the result file.
int ReadItemsChild(const std::string& product, const std::string& resultFile)
{
    CLog log;                                                  // never opened: writes do nothing
    CInstallEnv env(log, ProgramFile(product));
    if (!env.Init())
    {
        return 2;
    }
    const double start = NowMicroseconds();
    CItem items(log, env);
    const bool read = items.ReadItems();
    const double milliseconds = (NowMicroseconds() - start) / 1000;
    double bytes = 0;
    if (!read || !PeakPrivateBytes(::GetCurrentProcess(), bytes))
    {
        return read ? 4 : 3;
    }
    std::ostringstream result;
    result << milliseconds << " " << bytes << " " << items.GetCount();
    return WriteText(resultFile, result.str()) ? 0 : 1;
}

#if defined(KV_BENCH_INSTALL_RUN)
// The child of the install figure: the silent install run on the product, as Setup.exe /S carries it
// out, writing "milliseconds peak-bytes items-installed" to the result file.
int InstallChild(const std::string& product, const std::string& resultFile)
{
    CLog log;                                                  // never opened: writes do nothing
    CInstallEnv env(log, ProgramFile(product));
    if (!env.Init())
    {
        return 2;
    }
    const double start = NowMicroseconds();
    CUninstallRecords records(log, env.GetInstallingHistoryKey());
    CCmdOperator commands(log, env, env.GetExternalFnt(), records.Recorder());
    CItem items(log, env);
    items.ConnectCommands(commands);
    CInstallRun run(log, env, items, commands, records, RunHooks());
    (void)run.SilentInstall(false);
    const double milliseconds = (NowMicroseconds() - start) / 1000;
    double bytes = 0;
    (void)PeakPrivateBytes(::GetCurrentProcess(), bytes);
    std::ostringstream result;
    result << milliseconds << " " << bytes << " " << run.GetSucceededCount();
    return WriteText(resultFile, result.str()) ? 0 : 1;
}
#endif

struct Side
{
    std::string product;
    int items;
    std::vector<double> milliseconds;       // the work itself, timed inside the child
    std::vector<double> megabytes;
    std::vector<double> processMilliseconds;   // the whole child: start, environment, work, end
};

// Runs this program as a child with mode ("--read=" or "--install=") on the side's product; its result
// gives the milliseconds, peak bytes and item count recorded.
bool MeasureSide(Side& side, const char* mode, const std::string& resultFile)
{
    char program[MAX_PATH] = {};
    if (::GetModuleFileNameA(nullptr, program, MAX_PATH) == 0)
    {
        return false;
    }
    DWORD exitCode = 1;
    double elapsed = 0;
    const std::string commandLine =
        "\"" + std::string(program) + "\" " + mode + side.product + " --result=" + resultFile;
    if (!RunTimedProcess(program, commandLine, side.product, exitCode, elapsed) || exitCode != 0)
    {
        std::printf("items: reading %s ended with %lu\n", side.product.c_str(), exitCode);
        return false;
    }
    std::ifstream result(resultFile);
    double milliseconds = 0;
    double bytes = 0;
    int count = 0;
    if (!(result >> milliseconds >> bytes >> count) || count != side.items)
    {
        std::printf("items: reading %s gave %d items of %d\n", side.product.c_str(), count, side.items);
        return false;
    }
    side.milliseconds.push_back(milliseconds);
    side.processMilliseconds.push_back(elapsed / 1000);
    side.megabytes.push_back(bytes / (1024.0 * 1024.0));
    return true;
}

// Setup.exe /S on the side's product: the whole silent install, timed from outside.
bool MeasureSetupRun(Side& side)
{
    DWORD exitCode = 1;
    double elapsed = 0;
    const std::string program = ProgramFile(side.product);
    if (!RunTimedProcess(program, "\"" + program + "\" /S", side.product, exitCode, elapsed) || exitCode != 0)
    {
        std::printf("items: %s /S ended with %lu\n", program.c_str(), exitCode);
        return false;
    }
    side.processMilliseconds.push_back(elapsed / 1000);
    RemoveProgramLogs(std::string(kProgramName) + ".exe");
    return true;
}

// What a child run left behind: the maker's registry keys and its destination folder, so that every
// run is a first install.
void RemoveRunLeftovers()
{
    (void)CRegistry::DeleteKey(("Software\\" + Maker()).c_str(), false, HKEY_LOCAL_MACHINE);
    CTempDir::RemoveTree(QuerySystemDirectories().programFilesDir + "\\" + Maker());
}

// One unrecorded round first, then the iterations; the order of the sides alternates. mode: the child
// mode of this program, or null for Setup.exe /S.
bool MeasureFigure(const char* mode, std::vector<Side>& sides, const BenchOptions& options,
                   const std::string& resultFile)
{
    bool complete = true;
    for (int iteration = -1; iteration < options.iterations && complete; ++iteration)
    {
        for (size_t i = 0; i < sides.size() && complete; ++i)
        {
            Side& side = sides[(i + static_cast<size_t>(iteration + 1)) % sides.size()];
            Side scratch = side;
            Side& target = iteration < 0 ? scratch : side;
            complete = mode != nullptr ? MeasureSide(target, mode, resultFile) : MeasureSetupRun(target);
            RemoveRunLeftovers();
        }
    }
    return complete;
}

std::string ArgumentValue(int argc, char** argv, const std::string& name)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i] != nullptr ? argv[i] : "";
        if (argument.compare(0, name.size(), name) == 0)
        {
            return argument.substr(name.size());
        }
    }
    return std::string();
}
}  // namespace

int main(int argc, char** argv)
{
    const std::string product = ArgumentValue(argc, argv, "--read=");
    if (!product.empty())
    {
        return ReadItemsChild(product, ArgumentValue(argc, argv, "--result="));
    }
#if defined(KV_BENCH_INSTALL_RUN)
    const std::string installProduct = ArgumentValue(argc, argv, "--install=");
    if (!installProduct.empty())
    {
        return InstallChild(installProduct, ArgumentValue(argc, argv, "--result="));
    }
#endif
    const BenchOptions options = ParseBenchOptions(argc, argv);
    const char* memoryWhat = "items: peak private bytes, reading 100 items vs 1";
    CTempDir work;
    std::vector<Side> sides;
    bool complete = !work.Path().empty();
    for (int items : kItemCounts)
    {
        sides.push_back({work.Path() + "\\product" + std::to_string(items), items, {}, {}, {}});
        complete = complete && LayOutProduct(sides.back().product, items, Maker());
    }
    std::vector<Side> reading = sides;
    if (!complete || !MeasureFigure("--read=", reading, options, work.Path() + "\\result.txt"))
    {
        PrintMissingRow("4a", memoryWhat, "a child could not read the items or report its memory");
        return 1;
    }
    PrintRow("4a", memoryWhat, Median(reading[0].megabytes), Median(reading[1].megabytes), "MB", 3.0);
    PrintRow("4b", "items: time of reading 100 items vs 1", Median(reading[0].milliseconds),
             Median(reading[1].milliseconds), "ms", 0);
#if defined(KV_BENCH_INSTALL_RUN)
    const char* installWhat = "items: Setup.exe /S, 100 items vs 1 (helper answers at once)";
    std::vector<Side> setupRuns = sides;
    std::vector<Side> installRuns = sides;
    if (!MeasureFigure(nullptr, setupRuns, options, std::string()) ||
        !MeasureFigure("--install=", installRuns, options, work.Path() + "\\result.txt"))
    {
        PrintMissingRow("4c", installWhat, "a silent install did not install every item");
        return 1;
    }
    PrintRow("4c", installWhat, Median(setupRuns[0].processMilliseconds), Median(setupRuns[1].processMilliseconds),
             "ms", 5.0);
    PrintNote("4", "the install run alone (in a process of its own, after the environment's start): 100 items "
                   "%.3f ms, 1 item %.3f ms; peak private bytes 100 items %.3f MB, 1 item %.3f MB",
              Median(installRuns[0].milliseconds), Median(installRuns[1].milliseconds),
              Median(installRuns[0].megabytes), Median(installRuns[1].megabytes));
#endif
    return 0;
}
