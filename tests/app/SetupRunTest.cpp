// Setup.exe run from outside, as a user or a deployment script starts it, against copies of the demo
// product: its exit code, its log and the values it leaves under the Installing key.

#include <gtest/gtest.h>

#include "app/AppTestSupport.h"

using namespace AppTest;

namespace
{
using Lines = std::vector<std::string>;

const char kEnd[] = "End of installation";
const std::string kWizardEnd = CTestProduct::kWizardEnd;
const char kNoRequirement[] = "This system could not satisfy the installer Minimum Requirement!";
const char kPreviousInstance[] = "There is a previous running instance of this application, so it is terminated.";
const char kFreeSpace[] = "Call GetDiskFreeSpaceKV()";
const char kFreeSpaceMissing[] = "Call GetDiskFreeSpaceKV ==> NULL";
const char kMissing[] = "<missing>";
// The test product has no items: every silent run ends where the item list is read.
const char kSetInstType[] = "Call Command : Type = CT_SET_INST_TYPE, Param1=SILENT_INST,Param2=,Param3=,Param4=,Param5=";
const char kNoItems[] = "Initialize installed item information fail";


DWORD ExpectedOsVer()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    (void)::GetVersionExA(&info);
    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
    {
        return 1;
    }
    return info.dwMajorVersion <= 4 ? 2 : 3;
}

// The OS define string the demo product gives this system, from the log of a run.
std::string LearnOsDefine(CTestProduct& product)
{
    return ValueAfter(product.Run("/S /D").log, "OS Define String = ");
}
}  // namespace

TEST(SetupRunTest, SilentInstall_DemoProduct_WritesEveryStartValueAndEnds)
{
    CTestProduct product;
    const SetupRun run = product.Run("/S");

    EXPECT_EQ(1603u, run.exitCode) << "the demo product has no items, so nothing was installed";
    EXPECT_EQ((Lines{"Parameter : /S", kFreeSpace, kFreeSpaceMissing, kSetInstType, kNoItems, kEnd, ExitLine(1603)}),
              From(run.log, "Parameter : "))
        << "command line, first-install requirements, the silent install, shutdown";
    EXPECT_EQ(product.Mfg(), product.InstallingText("MFG"));
    EXPECT_EQ("KP-3100 Series", product.InstallingText("MDL"));
    EXPECT_EQ("VID_5A7E&PID_3100", product.InstallingText("VIDPID"));
    EXPECT_EQ("VID_5A7E&PID_3100", product.InstallingText("Printer_Port")) << "the VIDPID text once more";
    EXPECT_EQ(product.ProgramName(), product.InstallingText("Program_Name"));
    const bool german = PRIMARYLANGID(::GetSystemDefaultLangID()) == LANG_GERMAN;
    EXPECT_EQ(german ? 0x407u : 0x409u, product.InstallingNumber("LangCode"))
        << "the system's language, or English";
    EXPECT_EQ(german ? "GR" : "EN", product.InstallingText("LangAbbr"));
    EXPECT_EQ(product.DestDir(), product.InstallingText("Dest_Dir")) << "DESTINATION_DIR of the data file";
    char windows[MAX_PATH + 1] = {};
    (void)::GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(windows, product.InstallingText("Win_Dir"));
    EXPECT_EQ(product.TempDir(), product.InstallingText("Temp_Dir")) << "without the trailing backslash";
    EXPECT_EQ(product.ProductDir() + (german ? "\\data\\String\\Lang_GR.str" : "\\data\\String\\Lang_EN.str"),
              product.InstallingText("STR_FILE"));
    EXPECT_EQ(ExpectedOsVer(), product.InstallingNumber("OS_Ver")) << "1 Windows 9x, 2 NT 4, 3 later";
}

TEST(SetupRunTest, CommandLine_ModeSwitches_LastOfDRUWinsAndUnknownTokensAreIgnored)
{
    struct Row
    {
        const char* arguments;
        Lines afterParameter;
        DWORD exitCode;
        bool startValues;
    };
    const Row rows[] = {
        {"/s /u", {kSetInstType, kNoItems, kEnd, ExitLine(1603)}, 1603, false},
        {"/u /r /s", {kSetInstType, kNoItems, kEnd, ExitLine(1603)}, 1603, false},
        {"/S /R /D", {kEnd, ExitLine(0)}, 0, false},
        {"/S /D /U", {kSetInstType, kNoItems, kEnd, ExitLine(1603)}, 1603, false},
        {"-s-d", {kEnd, ExitLine(0)}, 0, false},
        {"//S---D", {kEnd, ExitLine(0)}, 0, false},
        {"/S /X /Zebra /D", {kEnd, ExitLine(0)}, 0, false},
        {"/Sd", {kFreeSpace, kFreeSpaceMissing, kSetInstType, kNoItems, kEnd, ExitLine(1603)}, 1603, true},
        {"/ s /d", {kWizardEnd, kEnd}, 0, false},
    };
    for (const Row& row : rows)
    {
        CTestProduct product;
        product.EndWizardAtStart();
        product.SetWizardItem(row.afterParameter.front() == kWizardEnd);
        const SetupRun run = product.Run(row.arguments);
        Lines expected = {std::string("Parameter : ") + row.arguments};
        expected.insert(expected.end(), row.afterParameter.begin(), row.afterParameter.end());
        if (row.afterParameter.front() == kWizardEnd)
        {
            EXPECT_TRUE(Contains(run.log, kWizardEnd)) << "an interactive delete-all: " << row.arguments;
            EXPECT_TRUE(Contains(run.log, kEnd));
            continue;                                         // the termination steps decide the exit code
        }
        else
        {
            EXPECT_EQ(expected, From(run.log, "Parameter : ")) << "command line " << row.arguments;
        }
        EXPECT_EQ(row.exitCode, run.exitCode) << "command line " << row.arguments;
        if (row.afterParameter.front() != kWizardEnd)    // the wizard's end removes what it wrote
        {
            EXPECT_EQ(row.startValues, product.InstallingText("MFG") != kMissing)
                << "of the silent runs only an install writes start values: " << row.arguments;
        }
    }
}

TEST(SetupRunTest, CommandLine_ValueSwitches_TrimmedAndCutAtDash)
{
    CTestProduct product;
    const std::string base = product.Folder();

    SetupRun run = product.Run("/A" + base + "\\My-Printer /S /D");
    EXPECT_TRUE(Contains(run.log, "Set Destination ==> " + base + "\\My")) << "'-' ends the value";
    EXPECT_TRUE(Contains(run.log, "Set Port : rinter")) << "and what follows it is a switch of its own";
    EXPECT_EQ(base + "\\My", product.InstallingText("Dest_Dir")) << "a new destination is recorded at once";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((base + "\\My").c_str())) << "and created";

    run = product.Run("/A \t\"" + base + "\\Quoted Dir\"  /S /D");
    EXPECT_TRUE(Contains(run.log, "Set Destination ==> " + base + "\\Quoted Dir")) << "blanks, tabs, quotes trimmed";

    run = product.Run("/P \"LPT2:\" /S /D");
    EXPECT_TRUE(Contains(run.log, "Set Port : LPT2:")) << "the port as given, trimmed";

    for (const char* language : {"/L0x0407 /S", "/L1031 /S", "/l \"0X407\" /s"})
    {
        run = product.Run(language);
        EXPECT_TRUE(Contains(run.log, "Set Language : Language Abbr\t\t= GR")) << language;
        EXPECT_EQ(0x407u, product.InstallingNumber("LangCode"))
            << language << ": hexadecimal with 0X, else decimal";
        EXPECT_EQ("GR", product.InstallingText("LangAbbr")) << language;
        EXPECT_EQ(product.ProductDir() + "\\data\\String\\Lang_GR.str", product.InstallingText("STR_FILE"))
            << language;
    }
}

TEST(SetupRunTest, SettingFile_SilentOne_TurnsOnlyAnInstallIntoAScriptInstall)
{
    CTestProduct product;
    product.EndWizardAtStart();
    product.SetWizardItem(true);
    SetupRun run = product.Run("");
    EXPECT_TRUE(Contains(run.log, kWizardEnd)) << "SILENT = 0: an interactive start";

    product.SetSettingKey("INSTALL", "SILENT", "1");
    run = product.Run("/U");
    EXPECT_TRUE(Contains(run.log, kWizardEnd)) << "an uninstall stays interactive";
    product.SetWizardItem(false);

    run = product.Run("");
    EXPECT_EQ((Lines{"Parameter : ", kFreeSpace, kFreeSpaceMissing, kSetInstType, kNoItems, kEnd, ExitLine(1603)}),
              From(run.log, "Parameter : "));
    EXPECT_EQ(product.Mfg(), product.InstallingText("MFG")) << "the script install writes the start values first";
}

TEST(SetupRunTest, StartUp_EnvironmentIncomplete_EndsWithItsLine)
{
    CTestProduct product;
    product.RemoveDataKey("PROGRAM_INFO", "VIDPID");
    SetupRun run = product.Run("/S");
    EXPECT_EQ((Lines{"Initialize Model Variable fail!!", "Initilize global variable fail", kEnd, ExitLine(1603)}),
              From(run.log, "Initialize Model Variable fail!!"));
    EXPECT_FALSE(Contains(From(run.log, "Initilize"), "Parameter : /S")) << "the command line is not read";
    EXPECT_EQ(1603u, run.exitCode);

    CTestProduct noConfig;
    (void)::DeleteFileA((noConfig.ProductDir() + "\\data\\kvinst.kvi").c_str());
    run = noConfig.Run("/S");
    EXPECT_EQ((Lines{"Initialize Profiles fail!!", "Initilize global variable fail", kEnd, ExitLine(1603)}),
              From(run.log, "Initialize Profiles fail!!"));
}

TEST(SetupRunTest, SingleInstance_RunningInstanceWithWindow_IsActivated)
{
    CTestProduct product;
    CRunningInstance running(product.InstanceName(), true);
    ASSERT_TRUE(running.HasWindow()) << "the stand-in needs a window (and a display)";

    SetupRun run = product.Run("");
    EXPECT_EQ((Lines{"The installer is already running", kEnd, ExitLine(1618)}), From(run.log, "The installer is already running"));
    EXPECT_FALSE(Contains(run.log, "Start installation")) << "no wizard of its own";
    EXPECT_EQ(1618u, run.exitCode);
    EXPECT_EQ(2, running.Activations()) << "asked once by the instance check and once by the frame's look-up";

    run = product.Run("/S");
    EXPECT_EQ((Lines{"Parameter : /S", "The installer is already running", kEnd, ExitLine(1618)}),
              From(run.log, "Parameter : "))
        << "a silent run does not install beside the running one";
    EXPECT_EQ(1618u, run.exitCode);
    EXPECT_EQ(3, running.Activations()) << "the silent run asked once more";

    product.SetSettingKey("INSTALL", "SILENT", "1");
    run = product.Run("");
    EXPECT_EQ((Lines{"Parameter : ", kFreeSpace, kFreeSpaceMissing, "The installer is already running", kEnd,
                     ExitLine(1618)}),
              From(run.log, "Parameter : "))
        << "the setting file's silent run is refused as soon as it is known to be silent";
    EXPECT_EQ(1618u, run.exitCode);
    EXPECT_EQ(kMissing, product.InstallingText("MFG")) << "it writes no start values beside the running one";
    EXPECT_EQ(4, running.Activations());
}

TEST(SetupRunTest, SingleInstance_MutexWithoutWindow_Ends)
{
    CTestProduct product;
    CRunningInstance running(product.InstanceName(), false);
    const SetupRun run = product.Run("/S /D");
    EXPECT_EQ((Lines{kPreviousInstance, kEnd, ExitLine(1618)}), From(run.log, kPreviousInstance));
    EXPECT_TRUE(From(run.log, "Parameter : ").empty()) << "ends before the command line";
    EXPECT_EQ(1618u, run.exitCode);
}

TEST(SetupRunTest, MinimumRequirement_UnsupportedOs_ShowsMessageOnlyForAFirstInstall)
{
    CTestProduct product;
    const std::string osDefine = LearnOsDefine(product);
    ASSERT_FALSE(osDefine.empty()) << "the demo product names every Windows version";
    product.SetDataKey("SYSTEM_REQUIREMENT", "UNSUPPORTED_OS", "\"XX1, " + osDefine + " XX2\"");

    CBoxAnswerer user(product.ProgramName(), product.Folder() + "\\box.txt");
    SetupRun run = product.Run("/S");
    std::string text;
    EXPECT_TRUE(user.Wait(text)) << "a message box captioned with PROGRAM_NAME";
    EXPECT_EQ("This version of Windows is not supported by the KP-3100 Series software.\r\nSetup will now end.",
              text);
    EXPECT_EQ((Lines{"Parameter : /S", kFreeSpace, kFreeSpaceMissing, kNoRequirement, kEnd, ExitLine(1633)}),
              From(run.log, "Parameter : "));
    EXPECT_EQ(1633u, run.exitCode);

    run = product.Run("/S /U", 20000);
    EXPECT_EQ((Lines{"Parameter : /S /U", kSetInstType, kNoItems, kEnd, ExitLine(1603)}), From(run.log, "Parameter : "))
        << "only an install is checked";

    const std::string installed = product.Folder() + "\\Installed";
    ASSERT_EQ(0u, CRegistry::SetValue(product.InstalledKey().c_str(), "Dest_Dir", installed.c_str(),
                                      HKEY_LOCAL_MACHINE));
    run = product.Run("/S", 20000);
    EXPECT_EQ((Lines{"Parameter : /S", kSetInstType, kNoItems, kEnd, ExitLine(1603)}), From(run.log, "Parameter : "))
        << "with an installation recorded there is no check";
    EXPECT_EQ(installed, product.InstallingText("Dest_Dir")) << "the recorded destination";
    const std::string other = product.Folder() + "\\Other";
    run = product.Run("/A" + other + " /S", 20000);
    EXPECT_EQ((Lines{"Parameter : /A" + other + " /S", "Set Destination ==> " + other,
                     "Set Destination ==> " + installed, kSetInstType, kNoItems, kEnd, ExitLine(1603)}),
              From(run.log, "Parameter : "))
        << "a silent run goes back to the recorded destination";
    EXPECT_EQ(installed, product.InstallingText("Dest_Dir"));
}

TEST(SetupRunTest, SingleInstance_FirstSetupHeldByItsMessageBox_SecondEnds)
{
    CTestProduct product;
    const std::string osDefine = LearnOsDefine(product);
    ASSERT_FALSE(osDefine.empty());
    product.SetDataKey("SYSTEM_REQUIREMENT", "UNSUPPORTED_OS", osDefine);

    CHandle first = product.Start("/S");
    for (int wait = 0; wait < 1500 && ::FindWindowA("#32770", product.ProgramName().c_str()) == nullptr; ++wait)
    {
        ::Sleep(20);
    }
    ASSERT_NE(nullptr, ::FindWindowA("#32770", product.ProgramName().c_str())) << "the first one shows its box";

    const SetupRun second = product.Finish(StartProgram(product.ExePath(), "/S /D"), 0);
    EXPECT_EQ((Lines{kPreviousInstance, kEnd, ExitLine(1618)}), From(second.log, kPreviousInstance))
        << "the first one holds the mutex and has no frame window";
    EXPECT_EQ(1618u, second.exitCode);

    CBoxAnswerer user(product.ProgramName(), product.Folder() + "\\box.txt");
    std::string text;
    EXPECT_TRUE(user.Wait(text));
    const SetupRun firstRun = product.Finish(first, -1);
    EXPECT_EQ((Lines{kNoRequirement, kEnd, ExitLine(1633)}), From(firstRun.log, kNoRequirement));
}

TEST(SetupRunTest, InteractiveStart_ItemList_DecidesWhetherTheWizardStarts)
{
    enum Items
    {
        kNone,                                                // no ITEM_INFO
        kAvailable,
        kUnavailable                                          // its install command is missing
    };
    struct Row
    {
        const char* arguments;
        Items items;
        bool mainOnly;
        const char* line;                                     // a line the run logs
        bool wizard;                                          // the wizard starts
    };
    const Row rows[] = {
        {"", kNone, false, kNoItems, false},
        {"", kNone, true, kNoItems, true},                    // MAIN_ONLY goes on without items
        {"", kAvailable, false, "Wizard test item item is available!!", true},
        {"", kUnavailable, false, "There is no valid item!!!", false},
        {"/U", kUnavailable, false, "Wizard test item item is not available!!", true},   // an uninstall needs none
    };
    for (const Row& row : rows)
    {
        CTestProduct product;
        product.EndWizardAtStart();
        product.SetWizardItem(row.items != kNone);
        if (row.items == kUnavailable)
        {
            product.SetDataKey("KV_WIZARD_ITEM", "INST_CMD", "$SRC_DIR$\\missing.exe");
        }
        if (row.mainOnly)
        {
            product.SetDataKey("OPTION", "MAIN_ONLY", "1");
        }
        std::unique_ptr<CBoxAnswerer> user;
        if (row.items == kUnavailable && !row.wizard)
        {
            user.reset(new CBoxAnswerer(product.ProgramName(), product.Folder() + "\\box.txt"));
        }
        const SetupRun run = product.Run(row.arguments);
        const std::string what = std::string(row.arguments) + " items " + std::to_string(row.items);
        EXPECT_TRUE(Contains(run.log, row.line)) << what;
        EXPECT_EQ(row.wizard, Contains(run.log, kWizardEnd)) << what;
        if (!row.wizard)
        {
            EXPECT_TRUE(Contains(run.log, "Initialize fail")) << what;
            EXPECT_EQ(1603u, run.exitCode) << what;
            EXPECT_EQ(ExitLine(1603), run.log.empty() ? "" : run.log.back()) << what;
        }
        std::string text;
        if (user)
        {
            EXPECT_TRUE(user->Wait(text)) << "the product's not-supported message, answered from outside";
            EXPECT_NE(std::string::npos, text.find("is not supported")) << text;
        }
    }
}
