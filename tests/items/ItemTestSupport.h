#pragma once
// Test support for the item tests: a product folder on an installation medium (Setup.dat with the
// items under test, the command file, an English string file, the device helper library) started
// through the real environment, with the manufacturer's registry keys and destination removed when
// the test ends; plus the values of a registry key as "name" -> "type:data" for exact comparison.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "base/Scoped.h"
#include "env/EnvTestSupport.h"
#include "env/InstallEnv.h"
#include "env/InstallPaths.h"
#include "registry/Registry.h"

// A manufacturer of its own per test process: the runs of other versions and languages share the prefix.
inline std::string ItemTestMfg()
{
    return "KvTestItems" + std::to_string(::GetCurrentProcessId());
}

// Every value of the key as name -> "SZ:text" or "DW:number" (other types by number).
inline std::map<std::string, std::string> ReadKeyValues(const std::string& key)
{
    std::map<std::string, std::string> values;
    CRegKey handle;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, handle.Receive()) != ERROR_SUCCESS)
    {
        return values;
    }
    for (DWORD index = 0;; ++index)
    {
        char name[256] = {};
        DWORD nameLength = sizeof(name);
        std::string data(65536, '\0');
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (::RegEnumValueA(handle.Get(), index, name, &nameLength, nullptr, &type,
                            reinterpret_cast<BYTE*>(&data[0]), &size) != ERROR_SUCCESS)
        {
            break;
        }
        if (type == REG_SZ)
        {
            values[name] = "SZ:" + std::string(data.c_str());
        }
        else if (type == REG_DWORD && size == sizeof(DWORD))
        {
            DWORD number = 0;
            std::memcpy(&number, data.data(), sizeof(number));
            values[name] = "DW:" + std::to_string(number);
        }
        else
        {
            values[name] = "type " + std::to_string(type);
        }
    }
    return values;
}

class ItemProductTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_log.OpenLogFile()) << "the log opens in the test folder";
        m_src = m_root.Path() + "\\Disk1";
        ASSERT_TRUE(::CreateDirectoryA(m_src.c_str(), nullptr)) << m_src;
        ASSERT_TRUE(Write("data\\kvinst.kvi", "[DLG]\r\nTITLE = T\r\n") &&
                    Write("data\\String\\Lang_EN.str", "[MESSAGES]\r\nTITLE = Welcome\r\n"))
            << "the configuration and string files are written";
        ::CopyFileA(BesideTest("ItemsDeviceHelper.dll").c_str(), (m_src + "\\device.dll").c_str(), FALSE);
    }

    void TearDown() override
    {
        (void)CRegistry::DeleteKey(("Software\\" + ItemTestMfg()).c_str(), false, HKEY_LOCAL_MACHINE);
        CTempDir::RemoveTree(QuerySystemDirectories().programFilesDir + "\\" + ItemTestMfg());
        ::SetEnvironmentVariableA("KV_TEST_DEVICE_ID", nullptr);
        ::SetEnvironmentVariableA("KV_TEST_NET_DEVICE_ID", nullptr);
    }

    bool Write(const std::string& relative, const std::string& text)
    {
        return WriteTreeFile(m_src, relative, text);
    }

    // Setup.dat: the model identity, platform words per Windows version (WIN98, WINXP, WIN7, else NT),
    // the device helper, then the product's own sections. commands: the command file.
    bool Start(const std::string& sections, const std::string& commands = std::string())
    {
        const std::string data =
            "[PROGRAM_INFO]\r\nMFG = " + ItemTestMfg() +
            "\r\nMDL = KP-3100\r\nVIDPID = VID_1234&PID_5678\r\nPROGRAM_NAME = ItemTest\r\n"
            "[OS_DEFINE]\r\n0X0001040A = WIN98\r\n0X00020501 = WINXP\r\n0X00020501.64 = WINXP\r\n"
            "0X00020601 = WIN7\r\n0X00020601.64 = WIN7\r\nDEF_WIN2KS = NT\r\n"
            "[INSTALLER_FILE_INFO]\r\nUTILITY_DLL = device.dll\r\nNETWORKMAN_DLL = device.dll\r\n" +
            sections;
        if (!Write("Setup.dat", data) || !Write("data\\kvinst.cmd", "[CMD]\r\nX = 1\r\n" + commands))
        {
            return false;
        }
        m_env = std::make_unique<CInstallEnv>(m_log, m_src + "\\Setup.exe");
        return m_env->Init() && !m_env->GetOsDefine().empty();
    }

    std::string Installing() const { return m_env->GetInstallingKey(); }
    std::string Installed() const { return m_env->GetInstalledKey(); }
    std::string ItemKey(const std::string& section) const { return Installing() + "\\Items\\" + section; }

    CTempDir m_root;
    CTempDirOverride m_tmp{m_root.Path() + "\\"};
    CCurrentDirectoryKeeper m_cwd;
    CLog m_log;
    CLogReader m_logTexts{m_log};
    std::string m_src;
    std::unique_ptr<CInstallEnv> m_env;
};
