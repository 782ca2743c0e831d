// Setup.exe's install runs from outside, on products made here: three items handed to a stand-in of the
// install helper (KvRunDouble.dll as the product's data\Kvrun.dll, answering as answers.ini tells it),
// a copy-file section, a shortcut and an Add/Remove entry. What each run leaves in the registry and on
// disk, its exit code, and that an uninstall after an install leaves both exactly as they were before.

#include <gtest/gtest.h>

#include "app/RunProduct.h"
#include "support/RunWithOutput.h"

using namespace AppTest;

namespace
{
using Lines = std::vector<std::string>;

std::string Residue(const std::set<std::string>& before, const std::set<std::string>& after)
{
    std::string text;
    for (const std::string& line : SystemSnapshot::Difference(before, after))
    {
        text += line + "\n";
    }
    return text;
}
}  // namespace

// Items A and B have neither a driver name nor an uninstall key: on a first install only the helper's
// success says that they are installed (nothing is recorded under Installed before the install update).
TEST(SetupInstallRunTest, InstallReinstallUninstall_ThreeItems_RecordedThenGoneWithoutResidue)
{
    struct Row
    {
        const char* how;
        bool script;
        bool copySection;
    };
    for (const Row& row : {Row{"/S", false, true}, Row{"script", true, true}, Row{"no copy section", false, false}})
    {
        CRunProduct product(row.copySection);
        product.SetSettingKey("INSTALL", "SILENT", row.script ? "1" : "0");
        const std::set<std::string> before = product.Snapshot();

        SetupRun run = product.Run(row.script ? "" : "/S");
        EXPECT_EQ(0u, run.exitCode) << row.how;
        EXPECT_EQ(ExitLine(0), run.log.back()) << row.how;
        EXPECT_EQ((Lines{"MyInstall ITEM_A 1 0", "MyInstall ITEM_B 1 0", "MyInstall ITEM_C 1 0",
                         "MyCreateShortCut KvTest Manual"}),
                  product.TakeCalls())
            << row.how << ": items in list order, then the shortcut";
        EXPECT_TRUE(Contains(run.log, " Item B Installation/ReInstallation/Uninstallation ==> Success")) << row.how;
        EXPECT_TRUE(Contains(run.log, "Create Shorcut [" + product.InstallingKey() + "\\Shortcut\\SC_MANUAL]"));
        EXPECT_EQ(2u, product.InstalledItem("ITEM_A")) << row.how << ": the item record is kept for later runs";
        EXPECT_FALSE(product.HasKey(product.InstallingKey())) << "a silent run removes its Installing key";
        EXPECT_TRUE(product.HasKey(product.AddRemoveKey())) << "the Add/Remove entry";
        EXPECT_EQ(row.copySection, product.HasFile(product.DestDir() + "\\Docs\\readme.txt")) << row.how;
        EXPECT_FALSE(Contains(run.log, "Copy file Initial fail!!")) << "nothing to copy is no failure";
        EXPECT_TRUE(product.HasFile(product.MenuDir() + "\\KvTest Manual.lnk")) << "the shortcut";

        run = product.Run("/S /R");
        EXPECT_EQ(0u, run.exitCode) << row.how;
        EXPECT_EQ((Lines{"MyInstall ITEM_A 3 1", "MyInstall ITEM_B 3 1", "MyInstall ITEM_C 3 1",
                         "MyCreateShortCut KvTest Manual"}),
                  product.TakeCalls())
            << "a reinstall passes the installed flag and Setup_Type 3";
        EXPECT_TRUE(Contains(run.log, " Item A Installation/ReInstallation/Uninstallation ==> Success"));

        run = product.Run("/S /U");
        EXPECT_EQ(0u, run.exitCode) << row.how;
        EXPECT_EQ((Lines{"MyInstall ITEM_A 2 1", "MyInstall ITEM_B 2 1", "MyInstall ITEM_C 2 1"}), product.TakeCalls());
        EXPECT_TRUE(Contains(run.log, " Item C Installation/ReInstallation/Uninstallation ==> Success"));
        EXPECT_TRUE(Contains(run.log, "Copy uninstaller fail. create uninstall process fail!!"))
            << "the product has no uninstaller program";
        EXPECT_EQ("", Residue(before, product.Snapshot())) << row.how << ": what install plus uninstall left";
    }
}

TEST(SetupInstallRunTest, HelperFailsOrFaults_LaterItemsRunAndTheFailureIsTheExitCode)
{
    struct Row
    {
        const char* answerB;
        const char* answerC;
        DWORD exitCode;
        bool installed;
        const char* why;
    };
    const Row rows[] = {
        {"0", "fault", 1603, true, "item A installed, B failed, C faulted"},
        {"0", "0", 1603, true, "only item A installed"},
    };
    for (const Row& row : rows)
    {
        CRunProduct product;
        const std::set<std::string> before = product.Snapshot();
        product.Answer("MyInstall", "ITEM_B", row.answerB);
        product.Answer("MyInstall", "ITEM_C", row.answerC);

        SetupRun run = product.Run("/S");
        EXPECT_EQ(row.exitCode, run.exitCode) << row.why;
        EXPECT_EQ((Lines{"MyInstall ITEM_A 1 0", "MyInstall ITEM_B 1 0", "MyInstall ITEM_C 1 0",
                         "MyCreateShortCut KvTest Manual"}),
                  product.TakeCalls())
            << row.why;
        EXPECT_TRUE(Contains(run.log, " Item B Installation/ReInstallation/Uninstallation ==> Fail")) << row.why;
        EXPECT_EQ(std::string(row.answerC) == "fault", Contains(run.log, "Call MyInstall() ==> GPF!!!!")) << row.why;
        EXPECT_EQ(2u, product.InstalledItem("ITEM_A")) << row.why << ": what did install stays recorded";
        EXPECT_EQ(0xDEADBEEF, product.InstalledItem("ITEM_B")) << row.why;

        run = product.Run("/S /U");
        EXPECT_EQ(0u, run.exitCode) << row.why;
        EXPECT_EQ((Lines{"MyInstall ITEM_A 2 1"}), product.TakeCalls()) << "only the installed item";
        EXPECT_EQ("", Residue(before, product.Snapshot())) << row.why;
    }
}

// An uninstall that fails for one item keeps the shared records for a later try; the record of the
// item that was removed goes, so that a later run does not take it for installed.
TEST(SetupInstallRunTest, UninstallFailsForOneItem_RemovedItemsRecordGoesAndTheRestStays)
{
    CRunProduct product;
    ASSERT_EQ(0u, product.Run("/S").exitCode);
    product.Answer("MyInstall", "ITEM_B", "0");
    (void)product.TakeCalls();
    SetupRun run = product.Run("/S /U");
    EXPECT_EQ(1603u, run.exitCode);
    EXPECT_EQ((Lines{"MyInstall ITEM_A 2 1", "MyInstall ITEM_B 2 1", "MyInstall ITEM_C 2 1"}), product.TakeCalls());
    EXPECT_EQ(0xDEADBEEF, product.InstalledItem("ITEM_A")) << "removed: its record is deleted";
    EXPECT_EQ(2u, product.InstalledItem("ITEM_B")) << "still installed";
    EXPECT_TRUE(product.HasKey(product.AddRemoveKey())) << "no delete-all after a failed item";

    product.Answer("MyInstall", "ITEM_B", "1");
    run = product.Run("/S /U");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ((Lines{"MyInstall ITEM_B 2 1"}), product.TakeCalls()) << "only what is left";
    EXPECT_FALSE(product.HasKey(product.InstalledKey()));
}

TEST(SetupInstallRunTest, NothingInstalled_RunUndoneAndFails_ThenNextRunInstalls)
{
    CRunProduct product;
    const std::set<std::string> before = product.Snapshot();
    for (const char* item : {"ITEM_A", "ITEM_B", "ITEM_C"})
    {
        product.Answer("MyInstall", item, "0");
    }
    SetupRun run = product.Run("/S");
    EXPECT_EQ(1603u, run.exitCode);
    EXPECT_EQ(ExitLine(1603), run.log.back());
    EXPECT_EQ((Lines{"MyInstall ITEM_A 1 0", "MyInstall ITEM_B 1 0", "MyInstall ITEM_C 1 0"}), product.TakeCalls())
        << "no install update without an installed item";
    EXPECT_EQ("", Residue(before, product.Snapshot())) << "the copied files and the destination are undone";

    for (const char* item : {"ITEM_A", "ITEM_B", "ITEM_C"})
    {
        product.Answer("MyInstall", item, "1");
    }
    run = product.Run("/S");
    EXPECT_EQ(0u, run.exitCode) << "the failed run left nothing in the way";
    EXPECT_EQ(2u, product.InstalledItem("ITEM_B"));
}

TEST(SetupInstallRunTest, ProductWithoutItems_SilentInstallFailsWithTheItemsLine)
{
    CTestProduct product;
    product.SetDataKey("SYSTEM_REQUIREMENT", "UNSUPPORTED_OS", "");
    SetupRun run = product.Run("/S");
    EXPECT_EQ(1603u, run.exitCode);
    EXPECT_TRUE(Contains(run.log, "Initialize installed item information fail"));
}

TEST(SetupInstallRunTest, KilledWhileAnItemRuns_NextRunsStartCleanAndUninstallRemovesWhatItInstalled)
{
    struct Row
    {
        bool installAgain;
        Lines uninstallCalls;
    };
    const Row rows[] = {
        {false, {"MyInstall ITEM_A 2 1"}},
        {true, {"MyInstall ITEM_A 2 1", "MyInstall ITEM_B 2 1", "MyInstall ITEM_C 2 1"}},
    };
    for (const Row& row : rows)
    {
        CRunProduct product;
        const std::set<std::string> before = product.Snapshot();
        product.Answer("MyInstall", "ITEM_B", "hang");
        const std::string calls = product.ProductDir() + "\\data\\calls.txt";
        CHandle killed = product.Start("/S");
        for (int wait = 0; wait < 1500 && ReadTestFile(calls).find("MyInstall ITEM_B") == std::string::npos; ++wait)
        {
            ::Sleep(20);
        }
        ASSERT_NE(std::string::npos, ReadTestFile(calls).find("MyInstall ITEM_B")) << "the run reached item B";
        (void)::TerminateProcess(killed.Get(), 9);
        (void)::WaitForSingleObject(killed.Get(), 10000);
        product.Answer("MyInstall", "ITEM_B", "1");
        (void)product.TakeCalls();

        if (row.installAgain)
        {
            const SetupRun run = product.Run("/S");
            EXPECT_EQ(0u, run.exitCode) << "the next install starts cleanly";
            EXPECT_TRUE(Contains(run.log, "The records of an interrupted run are kept"));
            (void)product.TakeCalls();
        }
        const SetupRun run = product.Run("/S /U");
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(row.uninstallCalls, product.TakeCalls()) << "what the killed run installed is removed too";
        EXPECT_EQ("", Residue(before, product.Snapshot())) << "install again: " << row.installAgain;
    }
}

// An interactive uninstall ended from outside leaves its Setup_Type (2) under Installing; the helper reads
// it to choose between the item's commands, so a later silent or script install must not pass it on.
TEST(SetupInstallRunTest, SetupTypeLeftByAKilledUninstall_LaterInstallPassesInstall)
{
    for (const bool script : {false, true})
    {
        CRunProduct product;
        product.SetSettingKey("INSTALL", "SILENT", script ? "1" : "0");
        const std::set<std::string> before = product.Snapshot();
        ASSERT_EQ(0u, CRegistry::SetValue(product.InstallingKey().c_str(), "Setup_Type", 2, HKEY_LOCAL_MACHINE));

        SetupRun run = product.Run(script ? "" : "/S");
        EXPECT_EQ(0u, run.exitCode) << "script: " << script;
        EXPECT_EQ((Lines{"MyInstall ITEM_A 1 0", "MyInstall ITEM_B 1 0", "MyInstall ITEM_C 1 0",
                         "MyCreateShortCut KvTest Manual"}),
                  product.TakeCalls())
            << "script: " << script << ": each item is handed over as an install";
        EXPECT_EQ(2u, product.InstalledItem("ITEM_A")) << "script: " << script << ": and recorded as installed";

        ASSERT_EQ(0u, CRegistry::SetValue(product.InstallingKey().c_str(), "Setup_Type", 3, HKEY_LOCAL_MACHINE));
        run = product.Run("/S /U");
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ((Lines{"MyInstall ITEM_A 2 1", "MyInstall ITEM_B 2 1", "MyInstall ITEM_C 2 1"}), product.TakeCalls())
            << "a left reinstall type does not hold up an uninstall either";
        EXPECT_EQ("", Residue(before, product.Snapshot())) << "script: " << script;
    }
}

namespace
{
// The Add/Remove entries as the system's own uninstaller program lists them ("key|||name" lines).
std::string ListAddRemoveEntries(const std::string& outputFile)
{
    if (RunWithOutput(nullptr, "uninstaller.exe --list", outputFile, 30000) == 0xFFFFFFFF)
    {
        return "<uninstaller not started or not ended>";
    }
    return ReadTestFile(outputFile);
}
}  // namespace

TEST(SetupInstallRunTest, AddRemoveEntryAndUninstaller_ListedAfterInstall_UninstallerStartedWithItsArguments)
{
    CRunProduct product;
    (void)::CopyFileA(BesideTest("CmdRecorder.exe").c_str(),
                      (product.ProductDir() + "\\data\\KVDelAll.exe").c_str(), FALSE);
    const std::string recorded = product.Folder() + "\\uninstaller.txt";
    ::SetEnvironmentVariableA("KV_RECORDER_LOG", recorded.c_str());
    const std::set<std::string> before = product.Snapshot();

    ASSERT_EQ(0u, product.Run("/S").exitCode);
    const std::string listed = ListAddRemoveEntries(product.Folder() + "\\list.txt");
    EXPECT_NE(std::string::npos, listed.find(product.ProgramName() + "|||" + product.ProgramName())) << listed;

    (void)::DeleteFileA(product.LogPath().c_str());
    // A program of the user's put into the temporary folder under the uninstaller's name beforehand.
    const std::string planted = product.TempDir() + "\\KVDelAll.exe";
    ASSERT_TRUE(WriteTestFile(planted, "planted"));
    std::string commandLine = "\"" + product.ExePath() + "\" /S /U";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(::CreateProcessA(product.ExePath().c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process));
    const CHandle thread(process.hThread);
    const DWORD pid = process.dwProcessId;
    const SetupRun run = product.Finish(CHandle(process.hProcess), -1);
    EXPECT_EQ(0u, run.exitCode);
    for (int wait = 0; wait < 1500 && ReadTestFile(recorded).empty(); ++wait)
    {
        ::Sleep(20);
    }
    char hexPid[16] = {};
    wsprintfA(hexPid, "%x", pid);
    const std::string line = ReadTestFile(recorded);
    EXPECT_NE(std::string::npos, line.find("/P\"" + product.DestDir() + "\\Install\" /I0x" + hexPid)) << line;
    EXPECT_EQ(0u, line.find("\"" + product.TempDir() + "\\KVDelAll_")) << "a copy of its own in the temporary folder";
    EXPECT_EQ(std::string::npos, line.find(planted)) << "not the file planted under the plain name";
    EXPECT_EQ("planted", ReadTestFile(planted)) << "which is left as it was";
    (void)::DeleteFileA(planted.c_str());
    EXPECT_EQ(std::string::npos, ListAddRemoveEntries(product.Folder() + "\\list.txt").find(product.ProgramName()));
    ::SetEnvironmentVariableA("KV_RECORDER_LOG", nullptr);
    (void)::DeleteFileA(recorded.c_str());
    (void)::DeleteFileA((product.Folder() + "\\list.txt").c_str());
    EXPECT_EQ("", Residue(before, product.Snapshot()));
}

TEST(SetupInstallRunTest, ScriptInstall_PortOfTheSettingFile_SetForThePrinters)
{
    struct Row
    {
        const char* port;                                     // null: no PORT key
        const char* printerPort;                              // null: no port is set
    };
    const Row rows[] = {{"LPT2:", "LPT2:"}, {nullptr, "LPT1:"}, {"10.0.0.5", nullptr}};
    for (const Row& row : rows)
    {
        CRunProduct product;
        product.AppendDataText("[ITEM_P]\r\nDISPLAY_NAME = Printer P\r\nINST_CMD = .\\data\\setup_A.exe\r\n"
                               "DRIVER_NAME = KvTest Driver\r\nDEFAULT_INST_TYPE = CHK\r\n");
        product.SetDataKey("ITEM_INFO", "ITEM_P", "");
        product.SetSettingKey("INSTALL", "SILENT", "1");
        if (row.port != nullptr)
        {
            product.SetSettingKey("INSTALL", "PORT", row.port);
        }
        const SetupRun run = product.Run("");
        EXPECT_TRUE(Contains(run.log, std::string("Set Port : ") + (row.port != nullptr ? row.port : "LPT1:")));
        const std::string line = ValueAfter(run.log, "Set Printer Port : ");
        EXPECT_EQ(row.printerPort != nullptr ? row.printerPort : "", line)
            << "an address needs the network helper's check before a port is made";
        EXPECT_TRUE(Contains(run.log, " Printer P Installation/ReInstallation/Uninstallation ==> Success"));
        EXPECT_TRUE(Contains(run.log, "Printer was installed"));
        (void)product.Run("/S /U");
    }
}
