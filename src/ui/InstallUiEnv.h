#pragma once
// The wizard's view of the installer environment.

#include "ui/UiEnv.h"

class CInstallEnv;

class CInstallUiEnv : public CUiEnv
{
public:
    CInstallUiEnv(CInstallEnv& env, CLog& log) : m_env(env), m_log(log) {}

    CLog& Log() override;
    const CConfigProfile& Config() const override;
    const CConfigProfile& Data() const override;
    const CConfigProfile& Strings() const override;
    std::string ProgramName() const override;
    std::string OsDefine() const override;
    bool IsWindows64() const override;
    bool RightAlign() const override;
    HMODULE ResourceLibrary() const override;
    std::string ResolveExistingFile(const std::string& text) const override;
    WORD LangId() const override;
    WORD SystemLangId() const override;

private:
    CInstallEnv& m_env;
    CLog& m_log;
};
