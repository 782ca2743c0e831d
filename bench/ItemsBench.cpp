// Items: peak private bytes and time of a process that reads a product's 100 items against one that
// reads 1 item. Each reading runs in a child process of its own (this program started with --read),
// so that its peak memory is its own.

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/BenchWin.h"
#include "env/InstallEnv.h"
#include "items/Item.h"
#include "log/Log.h"
#include "registry/Registry.h"
#include "support/TempDir.h"

namespace
{
const int kItemCounts[] = {100, 1};

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

// One item section as products write them: name, description, tooltip and its install commands.
std::string ItemSection(int index)
{
    const std::string number = std::to_string(index);
    return "[ITEM" + number + "]\r\nDISPLAY_NAME = Kestrow utility " + number +
           "\r\nDESCRIPTION = Installs the printer utility number " + number + " and its manual." +
           "\r\nTOOLTIP = Utility " + number + "\r\nDEFAULT_INST_TYPE = CHK\r\nINST_CMD = $SRC_DIR$\\util" + number +
           "\\setup.exe /s\r\nUNINST_CMD = $DEST_DIR$\\util" + number + "\\remove.exe /s\r\n";
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
    const std::string data = "[PROGRAM_INFO]\r\nMFG = " + maker +
                             "\r\nMDL = KP-3100\r\nVIDPID = VID_5A7E&PID_3100\r\nPROGRAM_NAME = " + maker +
                             "\r\n[OS_DEFINE]\r\n0X0001040A = WIN98\r\n0X00020501 = WINXP\r\n0X00020501.64 = WINXP\r\n"
                             "0X00020601 = WIN7\r\n0X00020601.64 = WIN7\r\nDEF_WIN2KS = NT\r\n" +
                             list + sections;
    return ::CreateDirectoryA(folder.c_str(), nullptr) && ::CreateDirectoryA((folder + "\\data").c_str(), nullptr) &&
           ::CreateDirectoryA((folder + "\\data\\String").c_str(), nullptr) && WriteText(folder + "\\Setup.dat", data) &&
           WriteText(folder + "\\data\\kvinst.kvi", "[DLG]\r\nTITLE = T\r\n") &&
           WriteText(folder + "\\data\\kvinst.cmd", "[CMD]\r\nX = 1\r\n") &&
           WriteText(folder + "\\data\\String\\Lang_EN.str", "[MESSAGES]\r\nTITLE = Welcome\r\n");
}

// The child: starts the environment on the product, reads its items and writes
// "milliseconds peak-bytes item-count" to the result file.
int ReadItemsChild(const std::string& product, const std::string& resultFile)
{
    CLog log;                                                  // never opened: writes do nothing
    CInstallEnv env(log, product + "\\Setup.exe");
    if (!env.Init())
    {
        return 1;
    }
    const double start = NowMicroseconds();
    CItem items(log, env);
    const bool read = items.ReadItems();
    const double milliseconds = (NowMicroseconds() - start) / 1000;
    double bytes = 0;
    if (!read || !PeakPrivateBytes(::GetCurrentProcess(), bytes))
    {
        return 1;
    }
    std::ostringstream result;
    result << milliseconds << " " << bytes << " " << items.GetCount();
    return WriteText(resultFile, result.str()) ? 0 : 1;
}

struct Side
{
    std::string product;
    int items;
    std::vector<double> milliseconds;
    std::vector<double> megabytes;
};

bool MeasureSide(Side& side, const std::string& resultFile)
{
    char program[MAX_PATH] = {};
    if (::GetModuleFileNameA(nullptr, program, MAX_PATH) == 0)
    {
        return false;
    }
    DWORD exitCode = 1;
    double elapsed = 0;
    const std::string commandLine = "\"" + std::string(program) + "\" --read=" + side.product + " --result=" + resultFile;
    if (!RunTimedProcess(program, commandLine, side.product, exitCode, elapsed) || exitCode != 0)
    {
        return false;
    }
    std::ifstream result(resultFile);
    double milliseconds = 0;
    double bytes = 0;
    int count = 0;
    if (!(result >> milliseconds >> bytes >> count) || count != side.items)
    {
        return false;
    }
    side.milliseconds.push_back(milliseconds);
    side.megabytes.push_back(bytes / (1024.0 * 1024.0));
    return true;
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
    const BenchOptions options = ParseBenchOptions(argc, argv);
    const char* memoryWhat = "items: peak private bytes, reading 100 items vs 1";
    CTempDir work;
    std::vector<Side> sides;
    bool complete = !work.Path().empty();
    for (int items : kItemCounts)
    {
        sides.push_back({work.Path() + "\\product" + std::to_string(items), items, {}, {}});
        complete = complete && LayOutProduct(sides.back().product, items, Maker());
    }
    // One unrecorded round first; the order alternates.
    for (int iteration = -1; iteration < options.iterations && complete; ++iteration)
    {
        for (size_t i = 0; i < sides.size() && complete; ++i)
        {
            Side& side = sides[(i + static_cast<size_t>(iteration + 1)) % sides.size()];
            Side scratch = side;
            complete = MeasureSide(iteration < 0 ? scratch : side, work.Path() + "\\result.txt");
        }
    }
    (void)CRegistry::DeleteKey(("Software\\" + Maker()).c_str(), false, HKEY_LOCAL_MACHINE);
    if (!complete)
    {
        PrintMissingRow("4a", memoryWhat, "a child could not read the items or report its memory");
        return 1;
    }
    PrintRow("4a", memoryWhat, Median(sides[0].megabytes), Median(sides[1].megabytes), "MB", 3.0);
    PrintRow("4b", "items: time of reading 100 items vs 1", Median(sides[0].milliseconds),
             Median(sides[1].milliseconds), "ms", 0);
    return 0;
}
