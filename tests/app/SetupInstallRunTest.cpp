// Setup.exe's install runs from outside, on products made here: three items handed to a stand-in of the
// install helper (KvRunDouble.dll as the product's data\Kvrun.dll, answering as answers.ini tells it),
// a copy-file section, a shortcut and an Add/Remove entry. What each run leaves in the registry and on
// disk, its exit code, and that an uninstall after an install leaves both exactly as they were before.

#include <gtest/gtest.h>

#include "app/AppTestSupport.h"
#include "support/SystemSnapshot.h"

using namespace AppTest;

namespace
{
using Lines = std::vector<std::string>;

const char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The demo product with three items, a copy-file section, a shortcut and an Add/Remove entry; the
// helper stand-in answers every call with success until told otherwise.
class CRunProduct : public CTestProduct
{
public:
    CRunProduct()
    {
        SetDataKey("SYSTEM_REQUIREMENT", "UNSUPPORTED_OS", "");
        (void)::CopyFileA(BesideTestProgram("KvRunDouble.dll").c_str(), (ProductDir() + "\\data\\Kvrun.dll").c_str(),
                          FALSE);
        std::string data = "[ITEM_INFO]\r\nITEM_A\r\nITEM_B\r\nITEM_C\r\n[SHORTCUT_INFO]\r\nSC_MANUAL\r\n";
        for (const char* item : {"A", "B", "C"})
        {
            const std::string command = std::string(".\\data\\setup_") + item + ".exe";
            WriteProductFile(command.substr(2), "program");
            data += std::string("[ITEM_") + item + "]\r\nDISPLAY_NAME = Item " + item + "\r\nINST_CMD = " + command +
                    "\r\nUNINST_CMD = " + command + "\r\nDEFAULT_INST_TYPE = CHK\r\n";
        }
        data += "UNINST_KEY = ItemC\r\n";                       // the helper notes it under UninstallInfo
        AppendDataText(data);
        (void)::CreateDirectoryA(MenuDir().c_str(), nullptr);
        Answer("Shortcuts", "Folder", MenuDir().c_str());
        AppendCommandText("[COPY_FILE_INFO]\r\nDOCS\r\n"
                          "[DOCS]\r\nSOURCE = $SRC_DIR$\\data\\readme_EN.txt\r\n"
                          "DESTINATION = $DEST_DIR$\\Docs\\readme.txt\r\nDELETE = 1\r\n"
                          "[SC_MANUAL]\r\nNAME = KvTest Manual\r\nTARGET = $DEST_DIR$\\Docs\\readme.txt\r\n"
                          "[ADD_REG.UNINSTKEY]\r\nKEYNAME = " + std::string(kUninstallRoot) + ProgramName() +
                          "\r\nVALUE = REG_SZ, DisplayName, " + ProgramName() +
                          "\r\nVALUE = REG_SZ, UninstallString, \"" + ExePath() + "\" /S /U\r\nDELETE_KEY = 1\r\n");
    }

    void Answer(const char* entry, const char* name, const char* answer)
    {
        (void)::WritePrivateProfileStringA(entry, name, answer, (ProductDir() + "\\data\\answers.ini").c_str());
    }
    // The stand-in's calls since the last look, one line each.
    Lines TakeCalls()
    {
        const std::string path = ProductDir() + "\\data\\calls.txt";
        const std::string text = ReadTestFile(path);
        (void)::DeleteFileA(path.c_str());
        Lines calls;
        size_t start = 0;
        for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        {
            calls.push_back(text.substr(start, end - start));
        }
        return calls;
    }
    std::set<std::string> Snapshot() const
    {
        std::set<std::string> lines =
            SystemSnapshot::RegistryLines({"Software\\" + Mfg(), kUninstallRoot + ProgramName()});
        SystemSnapshot::AddFileTree(Folder(), {"temp", "calls.txt", "answers.ini"}, lines);
        return lines;
    }
    DWORD InstalledItem(const char* item) const
    {
        DWORD value = 0xDEADBEEF;
        (void)CRegistry::GetValue((InstalledKey() + "\\Items\\" + item).c_str(), "InstallNow", &value,
                                  HKEY_LOCAL_MACHINE);
        return value;
    }
    bool HasKey(const std::string& key) const
    {
        CRegKey handle;
        return ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, handle.Receive()) == ERROR_SUCCESS;
    }
    bool HasFile(const std::string& path) const { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::string AddRemoveKey() const { return kUninstallRoot + ProgramName(); }
    std::string MenuDir() const { return Folder() + "\\menu"; }
};

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
