#include "command/InstallCommandEnv.h"

#include "env/InstallEnv.h"

const CConfigProfile& CInstallCommandEnv::GetConfigProfile() const
{
    return m_env.GetConfigProfile();
}

const CConfigProfile& CInstallCommandEnv::GetCommandProfile() const
{
    return m_env.GetCommandProfile();
}

std::string CInstallCommandEnv::ExpandMacros(const std::string& text) const
{
    return m_env.ExpandMacros(text);
}

std::string CInstallCommandEnv::ResolvePath(const std::string& text, bool mustExist) const
{
    return m_env.ResolvePath(text, mustExist);
}

std::string CInstallCommandEnv::GetInstallingKey() const
{
    return m_env.GetInstallingKey();
}

std::string CInstallCommandEnv::GetMfg() const
{
    return m_env.GetMfg();
}

std::string CInstallCommandEnv::GetMdl() const
{
    return m_env.GetMdl();
}

std::string CInstallCommandEnv::GetVidPid() const
{
    return m_env.GetVidPid();
}

int CInstallCommandEnv::GetOsCode() const
{
    return m_env.GetOsCode();
}

int CInstallCommandEnv::GetOsClass() const
{
    return m_env.GetOsClass();
}

std::string CInstallCommandEnv::GetOsDefine() const
{
    return m_env.GetOsDefine();
}

std::string CInstallCommandEnv::GetLangAbbr() const
{
    return m_env.GetLanguage().GetLangAbbr();
}

void CInstallCommandEnv::SetRemoteInstallPreparation(long value)
{
    m_env.SetRemoteInstallPreparation(value != 0);
}

bool CInstallCommandEnv::SetLanguage(WORD langId, bool interactive)
{
    return m_env.SetLanguage(langId, interactive);
}
