#pragma once
// The dialogs at the end of a run. FINISH. opens the online registration, prints a test page and
// records a restart when their boxes are ticked, runs the end command of the run and ends the
// installer. TEST_PAGE. prints a test page, first making sure the printer is connected. Both print
// by TEST_PAGE_TYPE: a PRN or WMF file (TESTPAGE_FILE), else the page composed of TESTPAGE_STRING,
// TESTPAGE_URL and TESTPAGE_BITMAP.

#include <windows.h>

#include <string>

#include "ui/SkinDlg.h"

// How a dialog of the end prints its test page.
struct TestPageSpec
{
    enum Type
    {
        kComposed = 0,
        kPrn = 1,
        kMetafile = 2,
    };
    Type type = kComposed;
    std::string file;
    std::string bitmap;
    std::string url;
    std::string text;

    // "PRN" and "WMF" (any case, blanks, tabs and double quotes around them ignored); else composed.
    static Type TypeFromText(const std::string& text);
};

class CEndDlg : public CSkinDlg
{
public:
    CEndDlg(const DialogContext& context, int templateId);
    bool IsCancelBlocked() const override { return true; }
    void OnEnter(const std::string& parameter) override;
    const TestPageSpec& TestPage() const { return m_testPage; }
    // The printer a test page goes to: the first printer installed in this run, else the printer the
    // printer list names as its default candidate.
    std::string TestPagePrinter() const;

protected:
    void ReadTestPage();
    // Runs the print command of the test page type at once, with a wait cursor.
    bool PrintTestPage();
    // A check box's tick from CHECK_BOX_INIT of its object section, and its colour.
    void PlaceCheckBox(const char* key, int id);
    // Two radios of one group; true when either is placed.
    bool PlaceRadioPair(const char* firstKey, const char* secondKey, int firstId, int secondId);

private:
    TestPageSpec m_testPage;
};

class CFinishDlg : public CEndDlg
{
public:
    explicit CFinishDlg(const DialogContext& context);
    void InitFixedControls() override;
    // The end command's name for this run: the start section's END_CMD, else by the setup type.
    std::string EndCommandName() const;
    // The command section that ends a run of this setup type (1 install, 2 uninstall, 3 to 5
    // reinstall); none for an uninstall that leaves installed items, nor for another type.
    static std::string EndCommandFor(DWORD setupType, bool itemsRemainInstalled);

protected:
    bool OnKindCommand(int id, int code, HWND control) override;

private:
    void OnFinish();
    std::string m_registrationUrl;
    bool m_restartShown = false;
};

class CTestPageDlg : public CEndDlg
{
public:
    explicit CTestPageDlg(const DialogContext& context);
    void InitFixedControls() override;

protected:
    bool OnKindCommand(int id, int code, HWND control) override;

private:
    // Prints once the printer's port is found; asks DEVICE_CONNECT_MSG (OK checks again) until then.
    bool PrintWhenConnected();
    std::string m_connectMessage;
};
