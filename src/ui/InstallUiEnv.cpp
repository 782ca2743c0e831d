#include "ui/InstallUiEnv.h"

#include "env/InstallEnv.h"

CLog& CInstallUiEnv::Log()
{
    return m_log;
}

const CConfigProfile& CInstallUiEnv::Config() const
{
    return m_env.GetConfigProfile();
}

const CConfigProfile& CInstallUiEnv::Data() const
{
    return m_env.GetDataProfile();
}

const CConfigProfile& CInstallUiEnv::Strings() const
{
    return m_env.GetStringProfile();
}

std::string CInstallUiEnv::ProgramName() const
{
    return m_env.GetProgramName();
}

std::string CInstallUiEnv::OsDefine() const
{
    return m_env.GetOsDefine();
}

bool CInstallUiEnv::IsWindows64() const
{
    return m_env.IsWindows64();
}

bool CInstallUiEnv::RightAlign() const
{
    return m_env.GetOptions().rightAlign;
}

HMODULE CInstallUiEnv::ResourceLibrary() const
{
    return m_env.GetExternalFnt().GetModule(kResourceDll);
}

std::string CInstallUiEnv::ResolveExistingFile(const std::string& text) const
{
    return m_env.ResolvePath(text, true);
}

WORD CInstallUiEnv::LangId() const
{
    return m_env.GetLanguage().GetLangId();
}

WORD CInstallUiEnv::SystemLangId() const
{
    return m_env.GetLanguage().GetSystemLangId();
}
