// The install helper library (Kvrun.dll) loaded from a test folder, with item and shortcut records
// under a test key: which command runs, the exit code check, the bounded waits, InstallNow, shortcuts.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "external/HelperApi.h"
#include "helpers/HelperTestSupport.h"

namespace
{
struct InstallFixture
{
    CTempDir dir;
    CTempRedirect temp{dir.Path()};
    CHelperCopy helper{dir.Path(), "Kvrun.dll", "[WAIT]\r\nPROGRAM_SECONDS=2\r\nCONDITION_SECONDS=1\r\n"};
    CTestRegistry registry;
    std::string installing = registry.Root() + "\\Prog\\Installing";
    std::string item = installing + "\\Items\\ITEM_A";
    std::string argsFile = dir.Path() + "\\args.txt";

    std::string Log() const { return ReadTestFile(dir.Path() + "\\Kvrun.log"); }
    BOOL Install(int installed = 0) const
    {
        return helper.Entry<MyInstallFn>("MyInstall")(0, installing.c_str(), item.c_str(), installed);
    }
};

struct InstallCase
{
    const char* name;
    std::function<void(InstallFixture&)> arrange;
    BOOL expected;
    const char* ranMarker;                                   // in the started program's command line; "" = none ran
    DWORD installNow;                                        // afterwards
    const char* logText;
};

std::string Probe(const InstallFixture& f, const std::string& marker, const std::string& more = "")
{
    f.registry.SetText(f.item, "Item_Name", "ITEM_A");
    f.registry.SetNumber(f.item, "InstallNow", 1);
    return "args=" + f.argsFile + " " + marker + (more.empty() ? "" : " " + more);
}
}  // namespace

TEST(InstallHelperTest, MyInstall_RunsTheRightCommandAndChecksTheResult)
{
    const std::vector<InstallCase> cases = {
        {"no record", [](InstallFixture&) {}, FALSE, "", 0xDEADBEEF, "cannot be read; nothing run"},
        {"no command", [](InstallFixture& f) { Probe(f, ""); }, FALSE, "", 1, "has no install command"},
        {"missing program",
         [](InstallFixture& f) {
             f.registry.SetText(f.item, "InstCmd", f.dir.Path() + "\\absent.exe");
             Probe(f, "");
         },
         FALSE, "", 1, "absent.exe does not exist"},
        {"install succeeds",
         [](InstallFixture& f) {
             f.registry.SetText(f.item, "InstCmd", ProbePath());
             f.registry.SetText(f.item, "InstParam", Probe(f, "INST"));
             f.registry.SetText(f.item, "UninstCmd", ProbePath());
         },
         TRUE, "INST", 2, "[ITEM_A] install success"},
        {"exit code differs",
         [](InstallFixture& f) {
             f.registry.SetText(f.item, "InstCmd", ProbePath());
             f.registry.SetText(f.item, "InstParam", Probe(f, "INST", "exit=3"));
         },
         FALSE, "INST", 1, "exit code 3, success is 0: fail"},
        {"expected exit code",
         [](InstallFixture& f) {
             f.registry.SetText(f.item, "InstCmd", "\"" + ProbePath() + "\"");
             f.registry.SetText(f.item, "InstParam", Probe(f, "INST", "exit=3"));
             f.registry.SetNumber(f.item, "Success_Return", 3);
         },
         TRUE, "INST", 2, "install success"},
        {"wait file appears",
         [](InstallFixture& f) {
             f.registry.SetText(f.item, "InstCmd", ProbePath());
             f.registry.SetText(f.item, "InstParam", Probe(f, "INST", "touch=" + f.dir.Path() + "\\done.txt"));
             f.registry.SetText(f.item, "WaitFile", f.dir.Path() + "\\done.txt");
         },
         TRUE, "INST", 2, "Wait for file"},
        {"wait file never appears",
         [](InstallFixture& f) {
             f.registry.SetText(f.item, "InstCmd", ProbePath());
             f.registry.SetText(f.item, "InstParam", Probe(f, "INST"));
             f.registry.SetText(f.item, "WaitFile", f.dir.Path() + "\\never.txt");
         },
         FALSE, "INST", 1, "never.txt did not appear within 1 seconds"},
        {"registry number reached",
         [](InstallFixture& f) {
             f.registry.SetText(f.item, "InstCmd", ProbePath());
             f.registry.SetText(f.item, "InstParam", Probe(f, "INST"));
             f.registry.SetNumber(f.registry.Root() + "\\Done", "State", 5);
             f.registry.SetText(f.item, "WaitRegKey", "HKLM\\" + f.registry.Root() + "\\Done");
             f.registry.SetText(f.item, "WaitRegValue", "State");
             f.registry.SetNumber(f.item, "WaitRegIntData", 5);
         },
         TRUE, "INST", 2, "Wait for registry"},
        {"registry text differs",
         [](InstallFixture& f) {
             f.registry.SetText(f.item, "InstCmd", ProbePath());
             f.registry.SetText(f.item, "InstParam", Probe(f, "INST"));
             f.registry.SetText(f.registry.Root() + "\\Done", "State", "busy");
             f.registry.SetText(f.item, "WaitRegKey", f.registry.Root() + "\\Done");
             f.registry.SetText(f.item, "WaitRegValue", "State");
             f.registry.SetText(f.item, "WaitRegStrData", "ready");
         },
         FALSE, "INST", 1, "did not reach the expected state within 1 seconds"},
        {"program never ends",
         [](InstallFixture& f) {
             f.registry.SetText(f.item, "InstCmd", ProbePath());
             f.registry.SetText(f.item, "InstParam", Probe(f, "INST", "waitfor=" + f.dir.Path() + "\\release"));
         },
         FALSE, "INST", 1, "did not end within 2 seconds"},
        {"uninstall: own command, no waits, InstallNow kept",
         [](InstallFixture& f) {
             f.registry.SetNumber(f.installing, "Setup_Type", 2);
             f.registry.SetText(f.item, "InstCmd", ProbePath());
             f.registry.SetText(f.item, "UninstCmd", ProbePath());
             f.registry.SetText(f.item, "UninstParam", Probe(f, "UNINST"));
             f.registry.SetText(f.item, "WaitFile", f.dir.Path() + "\\never.txt");
         },
         TRUE, "UNINST", 1, "[ITEM_A] uninstall success"},
        {"uninstall: registered uninstaller line",
         [](InstallFixture& f) {
             f.registry.SetNumber(f.installing, "Setup_Type", 2);
             f.registry.SetText(f.item, "Uninstall_Value_Name", "KP_DRV");
             f.registry.SetText(f.registry.Root() + "\\Prog\\UninstallInfo", "KP_DRV",
                                "\"" + ProbePath() + "\" " + Probe(f, "REGISTERED"));
         },
         TRUE, "REGISTERED", 1, "uninstall success"},
        {"reinstall of an installed item: reinstall command",
         [](InstallFixture& f) {
             f.registry.SetNumber(f.installing, "Setup_Type", 3);
             f.registry.SetText(f.item, "InstCmd", ProbePath());
             f.registry.SetText(f.item, "InstParam", Probe(f, "INST"));
             f.registry.SetText(f.item, "ReinstCmd", ProbePath());
             f.registry.SetText(f.item, "ReinstParam", Probe(f, "REINST"));
         },
         TRUE, "REINST", 2, "reinstall success"},
    };
    for (const InstallCase& c : cases)
    {
        InstallFixture f;
        ASSERT_TRUE(f.helper.Loaded()) << "Kvrun.dll loads from the test folder";
        c.arrange(f);
        const int installed = std::string(c.name).find("installed item") != std::string::npos ? 1 : 0;
        EXPECT_EQ(c.expected, f.Install(installed)) << c.name;
        const std::string ran = ReadTestFile(f.argsFile);
        if (*c.ranMarker == '\0')
        {
            EXPECT_TRUE(ran.empty()) << c.name << ": no program runs, ran " << ran;
        }
        else
        {
            EXPECT_NE(std::string::npos, ran.find(c.ranMarker)) << c.name << ": ran " << ran;
        }
        EXPECT_EQ(c.installNow, CTestRegistry::Number(f.item, "InstallNow")) << c.name;
        EXPECT_NE(std::string::npos, f.Log().find(c.logText)) << c.name << ": log is\n" << f.Log();
    }
}

TEST(InstallHelperTest, MyCreateShortCut_CreatesTheLinkAndRecordsItsPath)
{
    InstallFixture f;
    const auto create = f.helper.Entry<MyCreateShortCutFn>("MyCreateShortCut");
    ASSERT_NE(nullptr, create) << "MyCreateShortCut is exported under its plain name";
    const std::string desktop = f.installing + "\\Shortcut\\DESK";
    const std::string menu = f.installing + "\\Shortcut\\MENU";
    const std::string broken = f.installing + "\\Shortcut\\BROKEN";
    const std::string suffix = std::to_string(::GetCurrentProcessId());
    f.registry.SetText(desktop, "Name", "KvTest Desk " + suffix);
    f.registry.SetText(desktop, "Target", "\"" + ProbePath() + "\"");
    f.registry.SetText(desktop, "Argument", "exit=0");
    f.registry.SetNumber(desktop, "Group", 1);
    f.registry.SetText(menu, "Name", "KvTest Menu");
    f.registry.SetText(menu, "Target", ProbePath());
    f.registry.SetText(menu, "Folder_Name", "KvTest Group " + suffix);
    f.registry.SetText(broken, "Name", "KvTest Broken");
    f.registry.SetText(broken, "Target", f.dir.Path() + "\\absent.exe");

    EXPECT_TRUE(create(0, f.installing.c_str(), desktop.c_str())) << "a desktop shortcut is created";
    EXPECT_TRUE(create(0, f.installing.c_str(), menu.c_str())) << "a Start menu shortcut in a group is created";
    EXPECT_FALSE(create(0, f.installing.c_str(), broken.c_str())) << "a missing target is refused";
    EXPECT_FALSE(create(0, f.installing.c_str(), (f.installing + "\\Shortcut\\NONE").c_str()))
        << "a missing record is refused";

    const std::string deskLink = CTestRegistry::Text(desktop, "Shortcut_Path");
    const std::string menuLink = CTestRegistry::Text(menu, "Shortcut_Path");
    EXPECT_TRUE(TestFileExists(deskLink)) << "desktop link at " << deskLink;
    EXPECT_NE(std::string::npos, deskLink.find("KvTest Desk " + suffix + ".lnk")) << deskLink;
    EXPECT_TRUE(TestFileExists(menuLink)) << "menu link at " << menuLink;
    EXPECT_NE(std::string::npos, menuLink.find("\\KvTest Group " + suffix + "\\KvTest Menu.lnk")) << menuLink;
    EXPECT_EQ("(none)", CTestRegistry::Text(broken, "Shortcut_Path")) << "no path for a refused shortcut";
    EXPECT_NE(std::string::npos, f.Log().find("absent.exe does not exist")) << f.Log();
    ::DeleteFileA(deskLink.c_str());
    ::DeleteFileA(menuLink.c_str());
    ::RemoveDirectoryA(menuLink.substr(0, menuLink.find_last_of('\\')).c_str());
}
