#pragma once
// Test support for the install run tests: a copy of the demo product with three items, a copy-file
// section, a shortcut and an Add/Remove entry, whose helper libraries are the stand-in KvRunDouble.dll
// (answering as the product's data\answers.ini tells it and noting its calls in data\calls.txt).

#include <set>
#include <string>
#include <vector>

#include "app/AppTestSupport.h"
#include "support/SystemSnapshot.h"

namespace AppTest
{
constexpr char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The demo product with three items, a copy-file section, a shortcut and an Add/Remove entry; the
// helper stand-in answers every call with success until told otherwise.
class CRunProduct : public CTestProduct
{
public:
    explicit CRunProduct(bool copySection = true)
    {
        SetDataKey("SYSTEM_REQUIREMENT", "UNSUPPORTED_OS", "");
        (void)::CopyFileA(BesideTest("KvRunDouble.dll").c_str(), (ProductDir() + "\\data\\Kvrun.dll").c_str(),
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
        const std::string copy = copySection ? "[COPY_FILE_INFO]\r\nDOCS\r\n"
                                               "[DOCS]\r\nSOURCE = $SRC_DIR$\\data\\readme_EN.txt\r\n"
                                               "DESTINATION = $DEST_DIR$\\Docs\\readme.txt\r\nDELETE = 1\r\n"
                                             : "";
        AppendCommandText(copy + "[SC_MANUAL]\r\nNAME = KvTest Manual\r\nTARGET = $DEST_DIR$\\Docs\\readme.txt\r\n"
                          "[ADD_REG.UNINSTKEY]\r\nKEYNAME = " + std::string(kUninstallRoot) + ProgramName() +
                          "\r\nVALUE = REG_SZ, DisplayName, " + ProgramName() +
                          "\r\nVALUE = REG_SZ, UninstallString, \"" + ExePath() + "\" /S /U\r\nDELETE_KEY = 1\r\n");
    }

    // The reference utility library and its device simulation (data\Kvutil.ini), a printer of any model
    // on LPT1:: the wizard's device dialog finds it by polling and goes on by itself.
    void UseDeviceSimulation()
    {
        (void)::CopyFileA(BesideTest("Kvutil.dll").c_str(), (ProductDir() + "\\data\\Kvutil.dll").c_str(), FALSE);
        WriteProductFile("data\\Kvutil.ini", "[DEVICE]\r\nCONNECTED=1\r\nPORTS=LPT1:\r\n");
    }
    void Answer(const char* entry, const char* name, const char* answer)
    {
        (void)::WritePrivateProfileStringA(entry, name, answer, (ProductDir() + "\\data\\answers.ini").c_str());
    }
    // The stand-in's calls since the last look, one line each.
    std::vector<std::string> TakeCalls()
    {
        const std::string path = ProductDir() + "\\data\\calls.txt";
        const std::string text = ReadTestFile(path);
        (void)::DeleteFileA(path.c_str());
        std::vector<std::string> calls;
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

}  // namespace AppTest
