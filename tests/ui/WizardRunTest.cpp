// Setup.exe's wizard on copies of the demo product, driven from outside with WinDriver as a user at
// the screen would: the first dialog and its controls, the description area, Next and Back, the
// cancel question and its exit code, a second start, the language box and right-to-left layout, and
// descriptions that are wrong in every way the configuration file allows. Pictures of what was seen
// are kept in build/<tree>/pictures.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "app/AppTestSupport.h"
#include "support/WinDriver.h"
#include "ui/WizardRun.h"

using namespace AppTest;

namespace
{
const DWORD kCancelledExit = 1602;

// One control line of WinDriver's list.
struct Control
{
    std::string className;
    std::string text;
    RECT rect = {};
    bool visible = false;
    bool rtl = false;
};

std::vector<Control> ParseControls(const std::string& listing)
{
    std::vector<Control> controls;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);)
    {
        line.erase(line.find_last_not_of("\r") + 1);
        Control control;
        control.className = ListingField(line, "class");
        control.text = ListingField(line, "text");
        control.visible = ListingField(line, "visible") == "1";
        control.rtl = ListingField(line, "rtl") == "1";
        (void)std::sscanf(ListingField(line, "rect").c_str(), "%ld,%ld,%ld,%ld", &control.rect.left, &control.rect.top,
                          &control.rect.right, &control.rect.bottom);
        controls.push_back(control);
    }
    return controls;
}

const Control* Visible(const std::vector<Control>& controls, const std::string& text)
{
    for (const Control& control : controls)
    {
        if (control.visible && control.text == text)
        {
            return &control;
        }
    }
    return nullptr;
}

// The wizard's controls as WinDriver lists them.
std::vector<Control> Controls(const CWizardRun& run)
{
    return ParseControls(run.Listing(run.Frame()));
}

// Cancel, then Exit in the question box: the run ends as cancelled.
DWORD CancelAndExit(CWizardRun& run)
{
    (void)run.Do("click", run.Frame(), "Cancel");
    (void)run.Do("click", "#32770", "Exit");
    return run.Finish();
}

// Pointing at the licence link shows its description, pointing away brings the default back. Wine's
// pointer input sometimes never reaches the window under load: then only these checks are left out
// (noted, with a picture) and the caller's walk goes on.
void CheckLinkDescription(const CWizardRun& run)
{
    const std::string description = "Shows the licence agreement you accept before the software is installed.";
    bool described = false;
    bool arrived = false;
    std::string hover;
    for (int attempt = 0; attempt < 10 && !described; ++attempt)  // a pointer that did not arrive moves again
    {
        const bool here = run.Driver().Run(CWinDriver::Quote("hover") + CWinDriver::Quote(run.Frame()) +
                                               CWinDriver::Quote("Licence agreement"),
                                           &hover) == 0;
        arrived = arrived || here;
        described = here && run.Do("waittext", run.Frame(), description, "5000") == 0;
    }
    EXPECT_TRUE(described || !arrived) << "the pointer rested on the link, yet its description did not come";
    if (described)
    {
        int away = 1;
        for (int attempt = 0; attempt < 10 && away != 0; ++attempt)
        {
            away = run.Do("hover", run.Frame(), "Language:");
        }
        EXPECT_EQ(0, away) << "the pointer reaches the label beside the links";
        EXPECT_TRUE(run.WaitText("Point at a link to see what it does.")) << "leaving brings the default back";
    }
    else
    {
        run.Picture(run.Frame(), "test_hover_not_described");
        std::printf("Hover checks skipped: the pointer never reached the link, so the description area was not "
                    "checked. %s\n",
                    hover.c_str());
    }
}
}  // namespace

TEST(WizardRunTest, DemoWizard_UserWalksThrough_DialogsDescriptionsAndCancel)
{
    CTestProduct product;
    CWizardRun run(product, "");
    ASSERT_EQ(0, run.Do("wait", run.Frame())) << "the wizard frame appears";
    ASSERT_EQ(0, run.Do("waittext", run.Frame(), "Read me first")) << "WinDriver's exit code";
    EXPECT_EQ(0, run.Do("waittext", run.Frame(), "Point at a link to see what it does."))
        << "the description area is filled after the links";
    const std::vector<Control> first = Controls(run);
    for (const char* text : {"Welcome", "Read me first", "Licence agreement", "Next >", "Cancel", "English",
                             "Language:", "Point at a link to see what it does."})
    {
        EXPECT_NE(nullptr, Visible(first, text)) << "the welcome dialog shows \"" << text << "\"";
    }
    EXPECT_EQ(nullptr, Visible(first, "< Back")) << "the welcome dialog has no Back button";
    EXPECT_EQ(nullptr, Visible(first, "I accept the licence agreement")) << "one dialog at a time";
    run.Picture(run.Frame(), "test_welcome");

    CheckLinkDescription(run);

    EXPECT_EQ(0, run.Do("click", run.Frame(), "Next >"));
    ASSERT_TRUE(run.WaitText("I accept the licence agreement")) << "Next opens the licence dialog";
    const std::vector<Control> licence = Controls(run);
    EXPECT_EQ(nullptr, Visible(licence, "Read me first"));
    bool licenceText = false;
    for (const Control& control : licence)
    {
        licenceText = licenceText || (control.visible && control.className.find("ich") != std::string::npos &&
                                      control.text.find("LICENCE AGREEMENT") != std::string::npos);
    }
    EXPECT_TRUE(licenceText) << "the licence text in its rich edit box";
    EXPECT_EQ(0, run.Do("click", run.Frame(), "< Back"));
    EXPECT_TRUE(run.WaitText("Read me first")) << "Back returns to the welcome dialog";

    (void)run.Do("click", run.Frame(), "Cancel");
    ASSERT_EQ(0, run.Do("waittext", "#32770", "Setup is not complete. Do you really want to quit?"));
    run.Picture("#32770", "test_cancel_question");
    EXPECT_EQ(0, run.Do("click", "#32770", "Resume")) << "Resume goes on";
    EXPECT_EQ(0, run.Do("key", run.Frame(), "altf4")) << "Alt+F4 asks the same question";
    EXPECT_EQ(0, run.Do("click", "#32770", "Exit"));
    EXPECT_EQ(kCancelledExit, run.Finish()) << "a confirmed cancel ends with the cancelled exit code";
    const std::vector<std::string> log = ReadLog(product.LogPath());
    EXPECT_EQ(2, Count(log, "Call Command : Type = CT_DLG_CANCEL, Param1=,Param2=,Param3=,Param4=,Param5="));
    EXPECT_EQ("Exit code 1602: the user cancelled the run", log.empty() ? "" : log.back());
}

TEST(WizardRunTest, SecondStart_WhileTheWizardRuns_BringsTheFirstToTheFront)
{
    CTestProduct product;
    CWizardRun first(product, "");
    ASSERT_TRUE(first.WaitText("Read me first"));
    CWinDriver driver(product.Folder());
    HWND other = ::CreateWindowExA(0, "STATIC", "Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, other);
    (void)::SetForegroundWindow(other);

    const SetupRun second = product.Finish(StartProgram(product.ExePath(), ""), 0);
    EXPECT_EQ(1618u, second.exitCode) << "another installer of the product is running";
    EXPECT_TRUE(Contains(second.log, "The installer is already running"));
    // The first installer comes to the front when it handles the second's request, which may be a
    // moment after the second has ended: look again until it is there, within a bound.
    std::string listing;
    bool foreground = false;
    for (int attempt = 0; attempt < 100 && !foreground; ++attempt)
    {
        listing.clear();
        (void)driver.Run("list " + CWinDriver::Quote(first.Frame()), &listing);
        foreground = listing.find("foreground=1") != std::string::npos;
        if (!foreground)
        {
            ::Sleep(100);
        }
    }
    EXPECT_TRUE(foreground) << listing;
    EXPECT_EQ(kCancelledExit, CancelAndExit(first));
    (void)::DestroyWindow(other);
}

TEST(WizardRunTest, LanguageBox_GermanThenHebrew_SwitchesTextsAndMirrors)
{
    CTestProduct product;
    CWizardRun run(product, "", "@ITEM_MANUAL@");
    ASSERT_TRUE(run.WaitText("English"));
    EXPECT_EQ(0, run.Do("pick", run.Frame(), "English", "German"));
    ASSERT_TRUE(run.WaitText("Zuerst lesen")) << "the German texts";
    EXPECT_TRUE(Contains(ReadLog(product.LogPath()), "KP-3100 Benutzerhandbuch item is available!!"))
        << "the item list is read again in the new language";
    std::vector<Control> controls = Controls(run);
    for (const char* english : {"Read me first", "Licence agreement", "Next >", "Cancel", "Welcome"})
    {
        EXPECT_EQ(nullptr, Visible(controls, english)) << "no English text is left: " << english;
    }
    EXPECT_NE(nullptr, Visible(controls, "Deutsch")) << "the box shows the language now chosen";
    EXPECT_FALSE(controls.empty() || controls.front().rtl) << "German runs left to right";
    EXPECT_EQ(0, run.Do("click", run.Frame(), "Weiter >"));
    EXPECT_TRUE(run.WaitText("Ich akzeptiere den Lizenzvertrag")) << "the other dialogs changed too";
    EXPECT_EQ(0, run.Do("click", run.Frame(), "< Zur\xfc" "ck"));
    ASSERT_TRUE(run.WaitText("Deutsch"));

    if (PresentedVersion() == "win98")
    {
        (void)run.Do("click", run.Frame(), "Abbrechen");   // Windows 98 has no right-to-left layout
        EXPECT_EQ(0, run.Do("click", "#32770", "Beenden")) << "the question in German too";
        EXPECT_EQ(kCancelledExit, run.Finish());
        return;
    }
    EXPECT_EQ(0, run.Do("pick", run.Frame(), "Deutsch", "#2"));
    const auto mirroredCount = [](const std::vector<Control>& all) {
        int count = 0;
        for (const Control& control : all)
        {
            count += control.visible && control.rtl ? 1 : 0;
        }
        return count;
    };
    for (int look = 0; look < 200 && mirroredCount(controls) < 8; ++look)
    {
        controls = Controls(run);                            // until the Hebrew dialog is back
    }
    ASSERT_FALSE(controls.empty());
    const Control& frame = controls.front();
    EXPECT_TRUE(frame.rtl) << "RIGHT_ALIGN of the Hebrew options mirrors the wizard";
    EXPECT_GE(mirroredCount(controls), 8) << "and its dialog and controls";
    const Control* logo = Visible(controls, "KV_LOGO");
    ASSERT_NE(nullptr, logo);
    EXPECT_LT(logo->rect.left - frame.rect.left, 100) << "the logo on the right moved to the left";
    run.Picture(run.Frame(), "test_hebrew_mirrored");
    EXPECT_EQ(0, run.Do("key", run.Frame(), "altf4"));
    EXPECT_EQ(0, run.Do("click", "#32770", "#1202")) << "the question's second button, Exit in Hebrew";
    EXPECT_EQ(kCancelledExit, run.Finish());
}

// Descriptions wrong in every way: the wizard logs what is wrong and still runs.
TEST(WizardRunTest, BadDescriptions_LoggedAndTheWizardStillRuns)
{
    CTestProduct product;
    struct Key
    {
        const char* section;
        const char* key;
        const char* value;
    };
    const Key keys[] = {
        {"NORMAL.WELCOME", "BASE_ON", "NORMAL.WELCOME"},                      // itself
        {"LINK.COMMON", "BASE_ON", "LINK.README"},                            // a loop of objects
        {"LINK.README", "BASE_ON", "LINK.COMMON"},
        {"NORMAL.READY", "NUM_OF_OBJ", "-5"},
        {"LICENSE.AGREEMENT", "NUM_OF_OBJ", "1000"},
        {"NORMAL.WELCOME", "OBJ_12", "WIDGET.UNKNOWN"},
        {"NORMAL.WELCOME", "NUM_OF_OBJ", "13"},
        {"NORMAL.WELCOME", "BACK_BMP", "KV_NO_SUCH_BITMAP"},
        {"NORMAL.WELCOME", "DLG_RECT", "-50,-50,90000,90000"},
        {"BITMAP.LOGO", "NAME", "KV_NOT_THERE"},
        {"STATIC.TITLE", "FONT", "FONT.MISSING"},
    };
    for (const Key& key : keys)
    {
        product.SetConfigKey(key.section, key.key, key.value);
    }
    std::string dialogs = "[INSTALL_DIALOGS]\r\nNORMAL.WELCOME\r\nLICENSE.AGREEMENT\r\nNORMAL.READY\r\n"
                          "NORMAL.NOWHERE\r\nWHAT.EVER\r\n";
    std::string sections;
    for (int i = 0; i < 200; ++i)
    {
        dialogs += "NORMAL.MANY" + std::to_string(i) + "\r\n";
        sections += "[NORMAL.MANY" + std::to_string(i) + "]\r\nBASE_ON = DLG_BASE\r\n";
    }
    const std::string configPath = product.ProductDir() + "\\data\\kvinst.kvi";
    std::string config = ReadTestFile(configPath);
    const size_t list = config.find("[INSTALL_DIALOGS]");
    ASSERT_NE(std::string::npos, list);
    config.replace(list, std::string("[INSTALL_DIALOGS]").size(), dialogs.substr(0, dialogs.size() - 2));
    (void)WriteTestFile(configPath, config + sections);

    CWizardRun run(product, "");
    ASSERT_TRUE(run.WaitText("Licence agreement")) << "the wizard runs in spite of it all";
    EXPECT_EQ(0, run.Do("click", run.Frame(), "Next >"));
    EXPECT_TRUE(run.WaitText("I accept the licence agreement"));
    EXPECT_EQ(kCancelledExit, CancelAndExit(run));
    const std::vector<std::string> log = ReadLog(product.LogPath());
    for (const char* line : {"Dialog section [NORMAL.WELCOME] is based on itself",
                             "NUM_OF_OBJ -5 of [NORMAL.READY] is out of range (0 to 1000)",
                             "Bitmap [KV_NO_SUCH_BITMAP] of [NORMAL.WELCOME] cannot be loaded",
                             "Bitmap [KV_NOT_THERE] of [BITMAP.LOGO] cannot be loaded",
                             "Font section [FONT.MISSING] does not exist",
                             "DLG_RECT of [NORMAL.WELCOME] is out of range: -50,-50,90000,90000",
                             "WHAT.EVER Section is invalid dialog section"})
    {
        EXPECT_TRUE(Contains(log, line)) << "logged: " << line;
    }
    EXPECT_FALSE(From(log, "Object section [LINK.").empty()) << "the BASE_ON loop of the links is logged";
}

// Commands on the shown dialog: a link toggles objects, another shows a dialog modally whose OK
// button runs its own command and closes it.
TEST(WizardRunTest, LinkCommands_ShowToggleAndModalDialog)
{
    CTestProduct product;
    const struct
    {
        const char* section;
        const char* key;
        const char* value;
    } keys[] = {
        {"LINK.README", "CMD_TYPE", "CT_SHOW_TOGGLE"},
        {"LINK.README", "CMD_PARAM1", "\"bitmap.logo\", STATIC.LANG_LABEL"},
        {"LINK.LICENSE", "CMD_TYPE", "CT_DO_MODAL"},
        {"LINK.LICENSE", "CMD_PARAM1", "NORMAL.MODAL_TEST"},
        {"NORMAL.MODAL_TEST", "CAPTION", "Modal test"},
        {"NORMAL.MODAL_TEST", "DLG_RECT", "0,0,300,120"},
        {"NORMAL.MODAL_TEST", "NUM_OF_OBJ", "1"},
        {"NORMAL.MODAL_TEST", "OBJ_0", "STATIC.MODAL_TEXT"},
        {"NORMAL.MODAL_TEST", "FIXED_BTN_MODAL_OK", "BUTTON.MODAL_OK"},
        {"STATIC.MODAL_TEXT", "NAME", "A modal dialog"},
        {"STATIC.MODAL_TEXT", "POSITION", "10,10"},
        {"BUTTON.MODAL_OK", "NAME", "Close it"},
        {"BUTTON.MODAL_OK", "POSITION", "100,60"},
        {"BUTTON.MODAL_OK", "SIZE", "90,26"},
        {"BUTTON.MODAL_OK", "CMD_TYPE", "CT_SHOW_TOGGLE"},
        {"BUTTON.MODAL_OK", "CMD_PARAM1", "BITMAP.LOGO"},
    };
    for (const auto& key : keys)
    {
        product.SetConfigKey(key.section, key.key, key.value);
    }
    CWizardRun run(product, "");
    ASSERT_TRUE(run.WaitText("Read me first"));
    const auto shownWhenDone = [&run](const char* text, bool shown) {
        std::vector<Control> controls = Controls(run);
        for (int look = 0; look < 100 && (Visible(controls, text) != nullptr) != shown; ++look)
        {
            controls = Controls(run);
        }
        return (Visible(controls, text) != nullptr) == shown;
    };
    EXPECT_EQ(0, run.Do("click", run.Frame(), "Read me first"));
    EXPECT_TRUE(shownWhenDone("KV_LOGO", false)) << "the named objects are hidden";
    EXPECT_TRUE(shownWhenDone("Language:", false));

    EXPECT_EQ(0, run.Do("click", run.Frame(), "Licence agreement"));
    ASSERT_EQ(0, run.Do("waittext", "Modal test", "A modal dialog")) << "the modal dialog with its objects";
    std::string listing;
    (void)CWinDriver(product.Folder()).Run("list " + CWinDriver::Quote(run.Frame()), &listing);
    EXPECT_NE(std::string::npos, listing.substr(0, listing.find('\n')).find("enabled=0"))
        << "the wizard is disabled meanwhile";
    run.Picture("Modal test", "test_modal");
    EXPECT_EQ(0, run.Do("click", "Modal test", "Close it"));
    EXPECT_EQ(0, run.Do("waitgone", "Modal test"));
    EXPECT_TRUE(shownWhenDone("KV_LOGO", true)) << "the OK button's own command ran";
    EXPECT_EQ(kCancelledExit, CancelAndExit(run));
}

// A first dialog that is not described: the frame shows all the same, and closes as usual.
TEST(WizardRunTest, MisspeltFirstDialog_TheFrameShowsAndCloses)
{
    CTestProduct product;
    product.SetConfigKey("INSTALL_START_INFO", "CMD_PARAM1", "NORMAL.WELCOM");
    CWizardRun run(product, "");
    ASSERT_EQ(0, run.Do("wait", run.Frame())) << "the frame is shown";
    EXPECT_EQ(0, run.Do("key", run.Frame(), "altf4"));
    ASSERT_EQ(0, run.Do("waittext", "#32770", "Setup is not complete. Do you really want to quit?"));
    EXPECT_EQ(0, run.Do("click", "#32770", "Exit"));
    EXPECT_EQ(kCancelledExit, run.Finish());
}
