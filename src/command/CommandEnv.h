#pragma once
// What the command handlers read from the installer environment and ask of it: the configuration and
// command files, macro expansion and path resolution, the Installing key, the model identity, the
// platform and the language. The environment implements it; the handlers never reach it otherwise.

#include <windows.h>

#include <string>

class CConfigProfile;

class CCommandEnv
{
public:
    virtual ~CCommandEnv() = default;

    virtual const CConfigProfile& GetConfigProfile() const = 0;
    virtual const CConfigProfile& GetCommandProfile() const = 0;

    // The text with every $NAME$ macro variable replaced by its current value.
    virtual std::string ExpandMacros(const std::string& text) const = 0;
    // The full path a configuration text names, relative to the source directory. With mustExist, a
    // file that cannot be opened gives "" (and the environment logs "(%s) file does not exist.").
    virtual std::string ResolvePath(const std::string& text, bool mustExist) const = 0;

    // "Software\<MFG>\<PROGRAM_NAME>\Installing" under HKEY_LOCAL_MACHINE.
    virtual std::string GetInstallingKey() const = 0;
    virtual std::string GetMfg() const = 0;
    virtual std::string GetMdl() const = 0;
    virtual std::string GetVidPid() const = 0;

    virtual int GetOsCode() const = 0;                       // OS_WIN95 ... OS_VISTA
    virtual int GetOsClass() const = 0;                      // OSCLASS_9X, OSCLASS_NT4, OSCLASS_NT5 ...
    virtual std::string GetOsDefine() const = 0;             // the platform key of the data file
    virtual std::string GetLangAbbr() const = 0;             // abbreviation of the shown language

    // While non-zero, profile texts are read without macro expansion.
    virtual void SetRemoteInstallPreparation(long value) = 0;
    // Switches the installer's language (interactive: an unchanged language is skipped).
    virtual bool SetLanguage(WORD langId, bool interactive) = 0;
};
