// Start-up: Setup.exe /S /D on a copy of the demo product (it reads every product file, decides and
// ends) against a bare program that starts, reads the same files once and ends.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/InstallerApp.h"
#include "base/Scoped.h"
#include "bench/BenchSupport.h"
#include "bench/BenchWin.h"
#include "env/SystemPaths.h"
#include "profile/ProfilePlatform.h"
#include "registry/Registry.h"
#include "support/TempDir.h"

namespace
{
const char kProgramName[] = "KvBenchSetup";
// The product files a start reads: data file, setting file, configuration, commands, English strings.
const char kProductFiles[] = "KvBenchSetup.dat Config.ini data\\kvinst.kvi data\\kvinst.cmd data\\String\\Lang_EN.str";
// The DLLs Setup.exe imports beyond those every program loads.
const char kSetupLibraries[] = "+user32.dll +advapi32.dll +winspool.drv ";

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

// The maker (MFG) of this run's product, and its registry key.
std::string Maker()
{
    return "KvBench" + std::to_string(::GetCurrentProcessId());
}

std::string ManufacturerKey()
{
    return "Software\\" + Maker();
}

// The demo product beside a copy of Setup.exe under a name of its own, with a maker and product name
// of its own, so that neither its log, its records nor its single-instance check meets another run.
bool LayOutProduct(const std::string& product)
{
    const std::string demo = KV_DEMO_SOURCE_DIR;
    const std::string data = product + "\\" + kProgramName + ".dat";
    const std::string name = "KvBench Installer " + std::to_string(::GetCurrentProcessId());
    return CopyTreePlain(demo, product) &&
           ::CopyFileA((ProgramDirectory() + "\\Setup.exe").c_str(), (product + "\\" + kProgramName + ".exe").c_str(),
                       FALSE) &&
           ::MoveFileA((product + "\\Setup.dat").c_str(), data.c_str()) &&
           ::WritePrivateProfileStringA("PROGRAM_INFO", "PROGRAM_NAME", name.c_str(), data.c_str()) &&
           ::WritePrivateProfileStringA("PROGRAM_INFO", "MFG", Maker().c_str(), data.c_str());
}

struct Side
{
    std::string application;
    std::string arguments;
    std::vector<double> samples;
};

bool RunSide(Side& side, const std::string& directory, bool record)
{
    DWORD exitCode = 0;
    double microseconds = 0;
    if (!RunTimedProcess(side.application, Quoted(side.application) + " " + side.arguments, directory, exitCode,
                         microseconds) ||
        exitCode != 0)
    {
        std::printf("start-up: %s %s ended with %lu\n", side.application.c_str(), side.arguments.c_str(), exitCode);
        return false;
    }
    if (record)
    {
        side.samples.push_back(microseconds / 1000);
    }
    return true;
}
// Setup.exe's own work, without process start and DLL loading: the application object run in this
// process (warm) against reading the files here.
void PrintInProcessSplit(const std::string& product, const std::string& programFile, int runs)
{
    std::vector<double> application;
    std::vector<double> reading;
    std::vector<double> ports;
    for (int run = 0; run < runs; ++run)
    {
        double start = NowMicroseconds();
        {
            CInstallerApp app("/S /D", programFile);
            (void)app.Run();
        }
        application.push_back((NowMicroseconds() - start) / 1000);
        RemoveProgramLogs("StartupBench.exe");             // the log is named after this program
        start = NowMicroseconds();
        for (const char* name : {"KvBenchSetup.dat", "Config.ini", "data\\kvinst.kvi", "data\\kvinst.cmd",
                                 "data\\String\\Lang_EN.str"})
        {
            std::string data;
            (void)ReadWholeFile((product + "\\" + name).c_str(), data);
        }
        reading.push_back((NowMicroseconds() - start) / 1000);
        start = NowMicroseconds();
        std::vector<std::string> names;
        (void)EnumeratePortNames(names);                      // the default port is chosen from this list
        ports.push_back((NowMicroseconds() - start) / 1000);
    }
    PrintNote("1", "in this process: the application's /S /D run %.3f ms, reading the same files %.3f ms, "
                   "the port list alone (EnumPortsA) %.3f ms",
              Median(application), Median(reading), Median(ports));
}
}  // namespace

int main(int argc, char** argv)
{
    const BenchOptions options = ParseBenchOptions(argc, argv);
    const char* what = "start-up: Setup.exe /S /D vs a bare program reading the same files";
    CTempDir work;
    const std::string product = work.Path() + "\\product";
    if (work.Path().empty() || !LayOutProduct(product))
    {
        PrintMissingRow("1", what, "the demo product could not be laid out");
        return 1;
    }
    Side setup{product + "\\" + kProgramName + ".exe", "/S /D", {}};
    Side bare{ProgramDirectory() + "\\BareStart.exe", kProductFiles, {}};
    Side empty{bare.application, "", {}};
    Side libraries{bare.application, std::string(kSetupLibraries) + kProductFiles, {}};
    Side windowing{bare.application, std::string("+user32.dll ") + kProductFiles, {}};
    Side ports{bare.application, std::string(kSetupLibraries) + "!ports " + kProductFiles, {}};
    // Starts are short: several per iteration, the order alternating, after one unrecorded warm-up.
    const int runs = options.quick ? 1 : options.iterations * 4;
    bool complete = true;
    for (int run = -1; run < runs && complete; ++run)
    {
        Side* order[] = {&setup, &bare, &empty, &libraries, &windowing, &ports};
        if (run % 2 != 0)
        {
            std::swap(order[0], order[1]);
        }
        for (Side* side : order)
        {
            complete = complete && RunSide(*side, product, run >= 0);
        }
        RemoveProgramLogs(std::string(kProgramName) + ".exe");
    }
    (void)CRegistry::DeleteKey(ManufacturerKey().c_str(), false, HKEY_LOCAL_MACHINE);
    if (!complete)
    {
        PrintMissingRow("1", what, "a run failed");
        return 1;
    }
    PrintRow("1", what, Median(setup.samples), Median(bare.samples), "ms", 1.5);
    PrintNote("1", "where the time goes: a start that reads nothing %.3f ms; the bare program that also loads "
                   "user32 %.3f ms; user32, advapi32 and winspool as Setup.exe does %.3f ms; and asks the "
                   "spooler for its ports %.3f ms",
              Median(empty.samples), Median(windowing.samples), Median(libraries.samples),
              Median(ports.samples));
    PrintInProcessSplit(product, setup.application, options.quick ? 1 : options.iterations * 4);
    (void)CRegistry::DeleteKey(ManufacturerKey().c_str(), false, HKEY_LOCAL_MACHINE);
    return 0;
}
