// Setup.exe's install runs from outside, on products made here: three items handed to a stand-in of the
// install helper (KvRunDouble.dll as the product's data\Kvrun.dll, answering as answers.ini tells it),
// a copy-file section, a shortcut and an Add/Remove entry. What each run leaves in the registry and on
// disk, its exit code, and that an uninstall after an install leaves both exactly as they were before.

#include <gtest/gtest.h>

#include "app/RunProduct.h"

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

TEST(SetupInstallRunTest, InstallReinstallUninstall_ThreeItems_RecordedThenGoneWithoutResidue)
{
    struct Row
    {
        const char* how;
        bool script;
    };
    for (const Row& row : {Row{"/S", false}, Row{"script", true}})
    {
        CRunProduct product;
        product.SetSettingKey("INSTALL", "SILENT", row.script ? "1" : "0");
        const std::set<std::string> before = product.Snapshot();

        SetupRun run = product.Run(row.script ? "" : "/S");
        EXPECT_EQ(0u, run.exitCode) << row.how;
        EXPECT_EQ(ExitLine(0), run.log.back()) << row.how;
        EXPECT_EQ((Lines{"MyInstall ITEM_A 1 0", "MyInstall ITEM_B 1 0", "MyInstall ITEM_C 1 0",
                         "MyCreateShortCut KvTest Manual"}),
                  product.TakeCalls())
            << row.how << ": items in list order, then the shortcut";
        EXPECT_TRUE(Has(run.log, " Item B Installation ==> Success")) << row.how;
        EXPECT_TRUE(Has(run.log, "Create Shorcut [" + product.InstallingKey() + "\\Shortcut\\SC_MANUAL]"));
        EXPECT_EQ(2u, product.InstalledItem("ITEM_A")) << row.how << ": the item record is kept for later runs";
        EXPECT_FALSE(product.HasKey(product.InstallingKey())) << "a silent run removes its Installing key";
        EXPECT_TRUE(product.HasKey(product.AddRemoveKey())) << "the Add/Remove entry";
        EXPECT_TRUE(product.HasFile(product.DestDir() + "\\Docs\\readme.txt")) << "the copy-file section";
        EXPECT_TRUE(product.HasFile(product.MenuDir() + "\\KvTest Manual.lnk")) << "the shortcut";

        run = product.Run("/S /R");
        EXPECT_EQ(0u, run.exitCode) << row.how;
        EXPECT_EQ((Lines{"MyInstall ITEM_A 3 1", "MyInstall ITEM_B 3 1", "MyInstall ITEM_C 3 1",
                         "MyCreateShortCut KvTest Manual"}),
                  product.TakeCalls())
            << "a reinstall passes the installed flag and Setup_Type 3";
        EXPECT_TRUE(Has(run.log, " Item A ReInstallation ==> Success"));

        run = product.Run("/S /U");
        EXPECT_EQ(0u, run.exitCode) << row.how;
        EXPECT_EQ((Lines{"MyInstall ITEM_A 2 1", "MyInstall ITEM_B 2 1", "MyInstall ITEM_C 2 1"}), product.TakeCalls());
        EXPECT_TRUE(Has(run.log, " Item C Uninstallation ==> Success"));
        EXPECT_TRUE(Has(run.log, "Copy uninstaller fail. create uninstall process fail!!"))
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
        EXPECT_TRUE(Has(run.log, " Item B Installation ==> Fail")) << row.why;
        EXPECT_EQ(std::string(row.answerC) == "fault", Has(run.log, "Call MyInstall() ==> GPF!!!!")) << row.why;
        EXPECT_EQ(2u, product.InstalledItem("ITEM_A")) << row.why << ": what did install stays recorded";
        EXPECT_EQ(0xDEADBEEF, product.InstalledItem("ITEM_B")) << row.why;

        run = product.Run("/S /U");
        EXPECT_EQ(0u, run.exitCode) << row.why;
        EXPECT_EQ((Lines{"MyInstall ITEM_A 2 1"}), product.TakeCalls()) << "only the installed item";
        EXPECT_EQ("", Residue(before, product.Snapshot())) << row.why;
    }
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

TEST(SetupInstallRunTest, ProductWithoutItems_SilentRunsFailAndUninstallRemovesRecords)
{
    CTestProduct product;
    product.SetDataKey("SYSTEM_REQUIREMENT", "UNSUPPORTED_OS", "");
    SetupRun run = product.Run("/S");
    EXPECT_EQ(1603u, run.exitCode);
    EXPECT_TRUE(Has(run.log, "Initialize installed item information fail"));
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
            EXPECT_TRUE(Has(run.log, "The records of an interrupted run are kept"));
            (void)product.TakeCalls();
        }
        const SetupRun run = product.Run("/S /U");
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(row.uninstallCalls, product.TakeCalls()) << "what the killed run installed is removed too";
        EXPECT_EQ("", Residue(before, product.Snapshot())) << "install again: " << row.installAgain;
    }
}
