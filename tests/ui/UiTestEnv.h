#pragma once
// The wizard's view of an installer, for tests: the log, one configuration file serving as the
// configuration, data and string files, the product folder and fixed facts of the system.

#include <windows.h>

#include <string>

#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "ui/UiEnv.h"

class CTestUiEnv : public CUiEnv
{
public:
    CTestUiEnv(CLog& log, const CConfigProfile& config, const std::string& folder, bool windows64)
        : m_log(log), m_config(config), m_folder(folder), m_windows64(windows64)
    {
    }
    CLog& Log() override { return m_log; }
    const CConfigProfile& Config() const override { return m_config; }
    const CConfigProfile& Data() const override { return m_config; }
    const CConfigProfile& Strings() const override { return m_config; }
    std::string ProgramName() const override { return "Test Program"; }
    std::string OsDefine() const override { return "WXP"; }
    bool IsWindows64() const override { return m_windows64; }
    bool RightAlign() const override { return m_rightAlign; }
    void SetRightAlign(bool on) { m_rightAlign = on; }
    HMODULE ResourceLibrary() const override { return nullptr; }
    std::string ResolveExistingFile(const std::string& text) const override
    {
        const std::string path = m_folder + "\\" + text;
        if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        {
            m_log.Write("(%s) file does not exist.", path.c_str());
            return std::string();
        }
        return path;
    }
    WORD LangId() const override { return 0x409; }
    WORD SystemLangId() const override { return 0x409; }

private:
    CLog& m_log;
    const CConfigProfile& m_config;
    std::string m_folder;
    bool m_windows64;
    bool m_rightAlign = false;
};
