#pragma once
// The command handlers' view of the installer environment: every question and request of
// CCommandEnv answered by the environment itself. Holds a reference; the environment must outlive it.

#include "command/CommandEnv.h"

class CInstallEnv;

class CInstallCommandEnv : public CCommandEnv
{
public:
    explicit CInstallCommandEnv(CInstallEnv& env) : m_env(env) {}
    CInstallCommandEnv(const CInstallCommandEnv&) = delete;
    CInstallCommandEnv& operator=(const CInstallCommandEnv&) = delete;

    const CConfigProfile& GetConfigProfile() const override;
    const CConfigProfile& GetCommandProfile() const override;
    std::string ExpandMacros(const std::string& text) const override;
    std::string ResolvePath(const std::string& text, bool mustExist) const override;
    std::string GetInstallingKey() const override;
    std::string GetMfg() const override;
    std::string GetMdl() const override;
    std::string GetVidPid() const override;
    int GetOsCode() const override;
    int GetOsClass() const override;
    std::string GetOsDefine() const override;
    std::string GetLangAbbr() const override;
    void SetRemoteInstallPreparation(long value) override;
    bool SetLanguage(WORD langId, bool interactive) override;

private:
    CInstallEnv& m_env;
};
