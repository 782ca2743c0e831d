#pragma once
// What the wizard's windows need from the installer: the log, the configuration, data and string
// files, a few options and facts about the system, and the look shared by all dialogs. The installer
// gives its environment through CInstallUiEnv; tests give their own answers.

#include <windows.h>

#include <string>

class CLog;
class CConfigProfile;

class CUiEnv
{
public:
    virtual ~CUiEnv() = default;
    virtual CLog& Log() = 0;
    virtual const CConfigProfile& Config() const = 0;
    virtual const CConfigProfile& Data() const = 0;
    virtual const CConfigProfile& Strings() const = 0;
    virtual std::string ProgramName() const = 0;
    // The running system's name as the OS-keyed sections know it ("WINXP" ...).
    virtual std::string OsDefine() const = 0;
    virtual bool IsWindows64() const = 0;
    // The RIGHT_ALIGN option, read again after every language change.
    virtual bool RightAlign() const = 0;
    // The library whose bitmaps come before the program's own; null when there is none.
    virtual HMODULE ResourceLibrary() const = 0;
    // The full path of a file named relative to the product's folder; "" (and the line "(%s) file
    // does not exist.") when it cannot be read.
    virtual std::string ResolveExistingFile(const std::string& text) const = 0;
    virtual WORD LangId() const = 0;
    virtual WORD SystemLangId() const = 0;

    // The background colour of every dialog (DLG_BACK_COLOR); CLR_INVALID for the system's.
    COLORREF DialogBackColour() const { return m_dialogBackColour; }
    void SetDialogBackColour(COLORREF colour) { m_dialogBackColour = colour; }

private:
    COLORREF m_dialogBackColour = CLR_INVALID;
};
