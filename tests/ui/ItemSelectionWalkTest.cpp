// Setup.exe's wizard on a copy of the demo product with three items of its own, walked from outside
// with WinDriver as a person chooses what to install: the licence accepted, a custom setup, the
// manual left out and another folder chosen through the destination panel; then the records the
// choice left for the install. And a cancel in the item selection, which leaves nothing behind.
// Pictures of what was seen are kept in build/<tree>/pictures.

#include <gtest/gtest.h>

#include <sstream>

#include "app/AppTestSupport.h"
#include "registry/Registry.h"
#include "support/TestHelpers.h"
#include "support/WinDriver.h"
#include "ui/WizardRun.h"

using namespace AppTest;

namespace
{
const DWORD kCancelledExit = 1602;
const char kDriver[] = "KP-3100 Series Printer Driver";
const char kMonitor[] = "KP-3100 Status Monitor";
const char kManual[] = "KP-3100 User's Manual";

// InstallNow of the item's record under the product's Installing key; 0 when there is none.
DWORD InstallNow(const CTestProduct& product, const char* section)
{
    DWORD value = 0;
    (void)CRegistry::GetValue((product.InstallingKey() + "\\Items\\" + section).c_str(), "InstallNow", &value,
                              HKEY_LOCAL_MACHINE);
    return value;
}

// Licence accepted, custom setup chosen: the item selection dialog is shown.
void WalkToItemSelection(CWizardRun& run)
{
    ASSERT_TRUE(run.WaitText("Read me first"));
    ASSERT_EQ(0, run.Do("click", run.Frame(), "Next >"));
    ASSERT_TRUE(run.WaitText("I accept the licence agreement"));
    const std::string licence = run.Listing(run.Frame());
    EXPECT_NE("", VisibleLineWith(licence, {"text=\"Next >\"", "enabled=0"})) << "Next waits for the acceptance";
    EXPECT_NE("", VisibleLineWith(licence, {"text=\"I do not accept the licence agreement\"", "checked=1"}));
    run.Picture(run.Frame(), "test_licence");
    ASSERT_EQ(0, run.Do("click", run.Frame(), "I accept the licence agreement"));
    EXPECT_NE("", VisibleLineWith(run.Listing(run.Frame()), {"text=\"Next >\"", "enabled=1"})) << "accepted: Next";
    ASSERT_EQ(0, run.Do("click", run.Frame(), "Next >"));
    ASSERT_TRUE(run.WaitText("Choose the setup type"));
    EXPECT_NE("", VisibleLineWith(run.Listing(run.Frame()), {"text=\"Typical\"", "checked=1"})) << "typical at first";
    run.Picture(run.Frame(), "test_setup_type");
    ASSERT_EQ(0, run.Do("click", run.Frame(), "Custom"));
    ASSERT_EQ(0, run.Do("click", run.Frame(), "Next >"));
    ASSERT_TRUE(run.WaitText("Choose the components to install"));
}
}  // namespace

TEST(ItemSelectionWalkTest, CustomSetup_ManualLeftOut_AnotherFolder_RecordsHoldTheChoice)
{
    CTestProduct product;
    product.AppendDataText(kDemoItems);
    CWizardRun run(product, "", "");
    WalkToItemSelection(run);
    for (const char* item : {kDriver, kMonitor, kManual})
    {
        EXPECT_EQ("1", run.RowState(item)) << item << " is offered checked in a custom setup";
    }
    ASSERT_EQ(0, run.Do("pick", run.Frame(), "#1009", kManual)) << "a click on the manual's row";
    EXPECT_EQ("0", run.RowState(kManual)) << "unchecked";
    EXPECT_TRUE(run.WaitText("Installs KP-3100 User's Manual on this computer.")) << "its description";
    EXPECT_TRUE(run.WaitText(product.DestDir())) << "the panel shows the destination";

    const std::string chosen = product.Folder() + "\\Chosen folder";
    ASSERT_EQ(0, run.Do("click", run.Frame(), "Browse..."));
    ASSERT_EQ(0, run.Do("wait", "#32770")) << "the folder browser";
    run.Picture("#32770", "test_folder_browser");
    ASSERT_EQ(0, run.Do("settext", "#32770", "#16368", chosen)) << "the browser's path box";
    ASSERT_EQ(0, run.Do("click", "#32770", "OK"));
    ASSERT_EQ(0, run.Do("waittext", "#32770", "The folder " + chosen + " does not exist. Do you want to create it?"));
    ASSERT_EQ(0, run.Do("click", "#32770", "Yes"));
    EXPECT_TRUE(run.WaitText(chosen)) << "the panel shows the chosen folder";
    EXPECT_TRUE(DirectoryExists(chosen)) << "made on request";
    run.Picture(run.Frame(), "test_item_selection");

    ASSERT_EQ(0, run.Do("click", run.Frame(), "Next >"));
    ASSERT_TRUE(run.WaitText("Setup is ready")) << "the next dialog";
    for (const char* section : {"DRIVER_ITEM", "MONITOR_ITEM"})
    {
        EXPECT_EQ(1u, InstallNow(product, section)) << section << " is to be installed";
    }
    EXPECT_EQ(0u, InstallNow(product, "MANUAL_ITEM")) << "the manual is not";
    EXPECT_EQ(chosen, product.InstallingText("Dest_Dir")) << "the chosen destination is recorded";
    EXPECT_TRUE(Contains(ReadLog(product.LogPath()), "Change Destination directory ==> " + chosen));

    (void)run.Do("click", run.Frame(), "Cancel");
    ASSERT_EQ(0, run.Do("click", "#32770", "Exit"));
    EXPECT_EQ(kCancelledExit, run.Finish());
}

TEST(ItemSelectionWalkTest, CancelInTheSelection_AsksAndLeavesNothing)
{
    CTestProduct product;
    product.AppendDataText(kDemoItems);
    CWizardRun run(product, "", "");
    WalkToItemSelection(run);
    ASSERT_EQ(0, run.Do("click", run.Frame(), "Cancel"));
    ASSERT_EQ(0, run.Do("waittext", "#32770", "Setup is not complete. Do you really want to quit?")) << "it asks";
    ASSERT_EQ(0, run.Do("click", "#32770", "Exit"));
    EXPECT_EQ(kCancelledExit, run.Finish());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, product.InstallingKey())) << "no Installing records are left";
    EXPECT_FALSE(DirectoryExists(product.DestDir())) << "no destination folder is left";
}

TEST(ItemSelectionWalkTest, TypicalSetup_UsualItemsWithoutASelection_BackReturnsToTheChoice)
{
    CTestProduct product;
    product.AppendDataText(kDemoItems);
    CWizardRun run(product, "", "");
    ASSERT_TRUE(run.WaitText("Read me first"));
    ASSERT_EQ(0, run.Do("click", run.Frame(), "Next >"));
    ASSERT_EQ(0, run.Do("click", run.Frame(), "I accept the licence agreement"));
    ASSERT_EQ(0, run.Do("click", run.Frame(), "Next >"));
    ASSERT_TRUE(run.WaitText("Choose the setup type"));
    ASSERT_EQ(0, run.Do("click", run.Frame(), "Next >")) << "typical, as offered";
    ASSERT_TRUE(run.WaitText("Setup is ready")) << "a typical setup asks for no components";
    EXPECT_EQ(1u, InstallNow(product, "DRIVER_ITEM"));
    EXPECT_EQ(0u, InstallNow(product, "MANUAL_ITEM")) << "the item a typical setup leaves out";
    EXPECT_EQ("TYPICAL", product.InstallingText("Install_Type"));
    ASSERT_EQ(0, run.Do("click", run.Frame(), "< Back"));
    EXPECT_TRUE(run.WaitText("Choose the setup type")) << "Back returns to the choice, not to the components";
    (void)run.Do("click", run.Frame(), "Cancel");
    ASSERT_EQ(0, run.Do("click", "#32770", "Exit"));
    EXPECT_EQ(kCancelledExit, run.Finish());
}

// The same choice by keyboard alone, with real keys through the system's input queue.
TEST(ItemSelectionWalkTest, KeyboardOnly_AcceptChooseCustomLeaveTheManualOut)
{
    CTestProduct product;
    product.AppendDataText(kDemoItems);
    CKeyboardRun run(product, "");
    const std::string frame = run.Frame();
    ASSERT_TRUE(run.WaitText(frame, "Read me first"));
    ASSERT_TRUE(run.TabTo(frame, "Next >", false)) << run.Path();
    ASSERT_EQ(0, run.Key(frame, "enter"));

    ASSERT_TRUE(run.WaitText(frame, "I accept the licence agreement"));
    EXPECT_EQ("I do not accept the licence agreement", run.Focused(frame)) << "the choice to make has the focus";
    ASSERT_EQ(0, run.Key(frame, "up"));
    ASSERT_EQ(0, run.Key(frame, "space"));
    EXPECT_NE("", VisibleLineWith(run.Listing(frame), {"text=\"I accept the licence agreement\"", "checked=1"}))
        << "the arrow moves to the acceptance, Space takes it";
    ASSERT_TRUE(run.TabTo(frame, "Next >", false)) << "Next is a tab stop once accepted: " << run.Path();
    ASSERT_EQ(0, run.Key(frame, "enter"));

    ASSERT_TRUE(run.WaitText(frame, "Choose the setup type"));
    ASSERT_TRUE(run.TabTo(frame, "Typical", false)) << run.Path();
    ASSERT_EQ(0, run.Key(frame, "down"));
    ASSERT_EQ(0, run.Key(frame, "space"));
    EXPECT_NE("", VisibleLineWith(run.Listing(frame), {"text=\"Custom\"", "checked=1"}));
    ASSERT_TRUE(run.TabTo(frame, "Next >", false)) << run.Path();
    ASSERT_EQ(0, run.Key(frame, "enter"));

    ASSERT_TRUE(run.WaitText(frame, "Choose the components to install"));
    ASSERT_TRUE(run.TabTo(frame, "#1009", true)) << "the item list by Shift+Tab: " << run.Path();
    for (int press = 0; press < 5 && VisibleLineWith(run.Listing(frame), {"row 2 ", "selected=1"}).empty(); ++press)
    {
        ASSERT_EQ(0, run.Key(frame, "down"));
    }
    ASSERT_NE("", VisibleLineWith(run.Listing(frame), {"row 2 ", "selected=1"})) << "the arrows reach the manual";
    ASSERT_EQ(0, run.Key(frame, "space"));
    EXPECT_EQ("0", run.RowState("KP-3100 User's Manual")) << "Space unchecks it";
    EXPECT_EQ("1", run.RowState("KP-3100 Status Monitor"));
    run.Picture(frame, "test_keyboard_items");
    ASSERT_TRUE(run.TabTo(frame, "Next >", false)) << run.Path();
    ASSERT_EQ(0, run.Key(frame, "enter"));

    ASSERT_TRUE(run.WaitText(frame, "Setup is ready"));
    EXPECT_EQ(1u, InstallNow(product, "MONITOR_ITEM"));
    EXPECT_EQ(0u, InstallNow(product, "MANUAL_ITEM")) << "the manual was left out by keys";

    ASSERT_TRUE(run.TabTo(frame, "Cancel", false)) << run.Path();
    ASSERT_EQ(0, run.Key(frame, "enter"));
    ASSERT_TRUE(run.WaitText("#32770", "Setup is not complete. Do you really want to quit?"));
    ASSERT_TRUE(run.TabTo("#32770", "Exit", false)) << run.Path();
    ASSERT_EQ(0, run.Key("#32770", "space"));
    EXPECT_EQ(kCancelledExit, run.Finish());
}
