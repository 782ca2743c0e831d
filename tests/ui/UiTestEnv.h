#pragma once
// Test support: the wizard windows' environment answered from one configuration file that also
// serves as data and string file, with files looked up in a test folder.

#include <windows.h>

#include <string>

#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "ui/UiEnv.h"

class CUiTestEnv : public CUiEnv
{
public:
    CUiTestEnv(CLog& log, const CConfigProfile& config, const std::string& folder)
        : m_log(log), m_config(config), m_folder(folder)
    {
    }
    CLog& Log() override { return m_log; }
    const CConfigProfile& Config() const override { return m_config; }
    const CConfigProfile& Data() const override { return m_config; }
    const CConfigProfile& Strings() const override { return m_config; }
    std::string ProgramName() const override { return "Test Program"; }
    std::string OsDefine() const override { return "WXP"; }
    bool IsWindows64() const override { return false; }
    bool RightAlign() const override { return m_rightAlign; }
    HMODULE ResourceLibrary() const override { return nullptr; }
    std::string ResolveExistingFile(const std::string& text) const override
    {
        const std::string path = m_folder + "\\" + text;
        return ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? std::string() : path;
    }
    WORD LangId() const override { return 0x409; }
    WORD SystemLangId() const override { return 0x409; }

    void SetRightAlign(bool rightAlign) { m_rightAlign = rightAlign; }

private:
    CLog& m_log;
    const CConfigProfile& m_config;
    std::string m_folder;
    bool m_rightAlign = false;
};
