#pragma once
// The initialisation and language-change windows: a described stand-alone dialog with a progress bar
// that moves on UM_PROGRESS_STEP (span, count: the next count steps share span percent; 0, 0: one step).

#include "ui/SkinDlg.h"

class CProgressWnd : public CSkinDlg
{
public:
    explicit CProgressWnd(CUiEnv& env);
    // Creates the window of the description section, owned by owner; false (and no window) when the
    // configuration has no such section or the window cannot be made.
    bool CreateFor(const std::string& section, HWND owner);
    // The base fixed controls, and the progress bar where PROGRESS_BAR places it (hidden without it).
    void InitFixedControls() override;

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int m_position = 0;
    int m_spanStart = 0;
    int m_span = 0;
    int m_count = 0;
    int m_done = 0;
};

// The window behind the wizard, from the BACKGROUND_DLG description; no task-bar button.
class CBackgroundWnd : public CSkinDlg
{
public:
    explicit CBackgroundWnd(CUiEnv& env);
    // False when the section cannot be read or the window cannot be made.
    bool CreateFor(const std::string& section);
    void SetWizard(HWND wizard) { m_wizard = wizard; }

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HWND m_wizard = nullptr;
};
