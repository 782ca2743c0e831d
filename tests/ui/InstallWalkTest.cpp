// Setup.exe's wizard installing a test product for real, walked from outside with WinDriver as a
// person does it, the pointer and its button given through the system's input: a failing component
// shows the list of failures and the run ends with 1603; a cancel during the copy takes the copied
// files back and ends with 1602; a restart chosen for later ends with 3010; a reinstall through the
// wizard leaves the records a first install left. The items' helper is the stand-in KvRunDouble.dll.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/RunProduct.h"
#include "support/TestHelpers.h"
#include "ui/WizardRun.h"

using namespace AppTest;

namespace
{
const DWORD kSuccess = 0;
const DWORD kCancelled = 1602;
const DWORD kFailed = 1603;
const DWORD kRestartNeeded = 3010;
const int kBulkFiles = 10000;                              // enough that the copy is still running when Cancel is clicked

// The lines only one of two snapshots has, for a failure message.
std::string Difference(const std::set<std::string>& first, const std::set<std::string>& second)
{
    std::string text;
    for (const std::string& line : first)
    {
        text += second.count(line) == 0 ? "- " + line + "\n" : "";
    }
    for (const std::string& line : second)
    {
        text += first.count(line) == 0 ? "+ " + line + "\n" : "";
    }
    return text;
}

// Every window's listing, for a failure message.
std::string AllWindows(const CWizardRun& run)
{
    std::string listing;
    (void)run.Driver().Run("list", &listing);
    return listing;
}

// Install, then the copy and the run go on by themselves up to the finish dialog.
void InstallToFinish(const CWizardRun& run, const CTestProduct& product)
{
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Install"));
    ASSERT_EQ(0, run.Do("waittext", run.Frame(), "Setup is complete", "50000")) << WalkLogTail(product);
}

// The records that say how a run chose its components, which a reinstall writes anew.
std::set<std::string> WithoutChoice(const std::set<std::string>& lines)
{
    std::set<std::string> kept;
    for (const std::string& line : lines)
    {
        if (line.find(" : Install_Type = ") == std::string::npos && line.find(" : Setup_Type = ") == std::string::npos)
        {
            kept.insert(line);
        }
    }
    return kept;
}
}  // namespace

TEST(InstallWalkTest, FailingComponent_TheEndListsIt_TheOthersInstalled_1603)
{
    CRunProduct product;
    product.UseDeviceSimulation();
    product.Answer("MyInstall", "ITEM_B", "0");
    CWizardRun run(product, "", "");
    WalkToReady(run);
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Install"));
    ASSERT_EQ(0, run.Do("waittext", product.ProgramName(), "OK", "50000"))
        << "SHOW_INST_ERROR is on in the demo: the failures are listed in a box\n" << WalkLogTail(product)
        << AllWindows(run);
    const std::string box = run.Listing(product.ProgramName());
    EXPECT_NE(std::string::npos, box.find("These components could not be installed:\\r\\n\\r\\nItem B\\r\\n"))
        << "the failed component by its name, after the dialog's text: " << box;
    run.Picture(product.ProgramName(), "test_install_error");
    ASSERT_EQ(0, run.RealClick(product.ProgramName(), "OK"));
    ASSERT_TRUE(run.WaitText("Setup is complete"));
    run.Picture(run.Frame(), "test_finish");
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Finish"));
    EXPECT_EQ(kFailed, run.Finish());
    EXPECT_EQ(2u, product.InstalledItem("ITEM_A"));
    EXPECT_EQ(2u, product.InstalledItem("ITEM_C")) << "a failed component never stops the run";
    EXPECT_NE(2u, product.InstalledItem("ITEM_B"));
    const std::vector<std::string> log = ReadLog(product.LogPath());
    EXPECT_TRUE(Contains(log, " Item B Installation/ReInstallation/Uninstallation ==> Fail"));
    EXPECT_TRUE(Contains(log, " Item A Installation/ReInstallation/Uninstallation ==> Success"));
}

TEST(InstallWalkTest, CancelDuringTheCopy_Exit_TakesTheFilesBack_1602_NothingLeft)
{
    CRunProduct product(false);
    product.UseDeviceSimulation();
    ASSERT_TRUE(::CreateDirectoryA((product.ProductDir() + "\\data\\bulk").c_str(), nullptr));
    for (int file = 0; file < kBulkFiles; ++file)
    {
        product.WriteProductFile("data\\bulk\\file" + std::to_string(file) + ".txt", "bulk");
    }
    product.AppendCommandText("[COPY_FILE_INFO]\r\nBULK\r\n[BULK]\r\nSOURCE = $SRC_DIR$\\data\\bulk\r\n"
                              "DESTINATION = $DEST_DIR$\\Bulk\r\nDELETE = 1\r\n");
    const std::set<std::string> before = product.Snapshot();
    CWizardRun run(product, "", "");
    WalkToReady(run);
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Install"));
    ASSERT_EQ(0, run.Do("waittext", run.Frame(), "Copying the files")) << WalkLogTail(product);
    ASSERT_EQ(0, run.RealClick(run.Frame(), "#1028")) << "the copy dialog's Cancel, while it copies\n"
                                                      << WalkLogTail(product);
    ASSERT_EQ(0, run.Do("waittext", product.ProgramName(), "Setup is not complete. Do you really want to quit?"))
        << "it asks\n" << WalkLogTail(product) << AllWindows(run);
    run.Picture(run.Frame(), "test_copy");
    ASSERT_EQ(0, run.RealClick(product.ProgramName(), "Exit"));
    EXPECT_EQ(kCancelled, run.Finish(120000));
    const std::vector<std::string> log = ReadLog(product.LogPath());
    EXPECT_FALSE(From(log, "The copy was cancelled after").empty()) << "the cancel came while files were copied";
    EXPECT_EQ(before, product.Snapshot()) << "no copied file, folder or record is left";
    EXPECT_FALSE(DirectoryExists(product.DestDir()));
    EXPECT_TRUE(product.TakeCalls().empty()) << "no component was installed";
}

TEST(InstallWalkTest, RestartChosenForLater_EndsWith3010)
{
    CRunProduct product;
    product.UseDeviceSimulation();
    product.SetConfigKey("FINISH.END", "FIXED_RADIO_REBOOT", "RADIO.RESTART_NOW");
    product.SetConfigKey("FINISH.END", "FIXED_RADIO_NO_REBOOT", "RADIO.RESTART_LATER");
    product.SetConfigKey("RADIO.RESTART_NOW", "POSITION", "16,170");
    product.SetConfigKey("RADIO.RESTART_NOW", "SIZE", "488,20");
    product.SetConfigKey("RADIO.RESTART_NOW", "NAME", "Restart now");
    product.SetConfigKey("RADIO.RESTART_NOW", "RADIO_INIT", "0");
    product.SetConfigKey("RADIO.RESTART_LATER", "POSITION", "16,194");
    product.SetConfigKey("RADIO.RESTART_LATER", "SIZE", "488,20");
    product.SetConfigKey("RADIO.RESTART_LATER", "NAME", "Restart later");
    CWizardRun run(product, "", "");
    WalkToReady(run);
    InstallToFinish(run, product);
    EXPECT_NE("", VisibleLineWith(run.Listing(run.Frame()), {"text=\"Restart now\"", "checked=1"}))
        << "RADIO_INIT 0: now is offered";
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Restart later"));
    run.Picture(run.Frame(), "test_finish_restart");
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Finish"));
    EXPECT_EQ(kRestartNeeded, run.Finish());
    const std::vector<std::string> log = ReadLog(product.LogPath());
    EXPECT_TRUE(Contains(log, "The person chose to restart Windows later"));
    EXPECT_FALSE(Contains(log, "Restart of Windows requested")) << "later: no restart is asked for";
}

TEST(InstallWalkTest, ReinstallThroughTheWizard_TheRecordsOfTheFirstInstall)
{
    CRunProduct product;
    product.UseDeviceSimulation();
    ASSERT_EQ(kSuccess, product.Run("/S").exitCode);
    const std::set<std::string> installed = product.Snapshot();
    (void)product.TakeCalls();
    CWizardRun run(product, "/R", "");
    WalkToReady(run);
    InstallToFinish(run, product);
    ASSERT_EQ(0, run.RealClick(run.Frame(), "Finish"));
    EXPECT_EQ(kSuccess, run.Finish());
    const std::set<std::string> reinstalled = WithoutChoice(product.Snapshot());
    EXPECT_EQ(WithoutChoice(installed), reinstalled) << "the same files, records and Add/Remove entry as the first install\n"
                                                      << Difference(WithoutChoice(installed), reinstalled);
    const std::vector<std::string> log = ReadLog(product.LogPath());
    for (const char* item : {"A", "B", "C"})
    {
        EXPECT_TRUE(Contains(log, std::string(" Item ") + item + " Installation/ReInstallation/Uninstallation ==> Success"));
        EXPECT_TRUE(Contains(log, "Call MyInstall(0," + product.InstallingKey() + "," + product.InstallingKey() +
                                      "\\Items\\ITEM_" + item + ",1)"))
            << "handed over as installed: " << item << "\n" << WalkLogTail(product);
    }
}
