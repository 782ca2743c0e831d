#pragma once
// The destination panel of a dialog (a DEST_DIR. object): the folder the product installs into, a
// description, an icon and a browse button that opens the folder browser. A folder chosen there
// becomes the installer's destination; leaving the dialog backwards puts the default back.

#include <windows.h>

#include <functional>
#include <string>

#include "ui/DialogContext.h"

class CInstallEnv;

class CDestDirPanel
{
public:
    // The folder browser: the folder chosen (empty: none), given the browser's section and the start.
    using FolderBrowser = std::function<std::string(const std::string& section, const std::string& start)>;

    CDestDirPanel(const DialogContext& context, const std::string& objectSection);
    ~CDestDirPanel();
    CDestDirPanel(const CDestDirPanel&) = delete;
    CDestDirPanel& operator=(const CDestDirPanel&) = delete;

    // Creates the panel in the dialog and lays it out from its object section.
    bool Create(HWND dialog);
    HWND Window() const { return m_window; }
    // The installer's destination, as the path box shows it.
    std::string ShownPath() const;
    // For tests: the browser instead of the system's folder picker.
    void SetFolderBrowser(FolderBrowser browser) { m_browser = std::move(browser); }

    // The system's folder picker with a path box above the folder tree and the checks on OK (fixed
    // local drive, free space, the folder made on request); the folder accepted, or empty.
    static std::string BrowseForFolder(HWND owner, const DialogContext& context, const std::string& section,
                                       const std::string& start);

private:
    static INT_PTR CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void LayOut();
    void Place(int id, const char* rectKey, const char* textKey);
    void OnBrowse();
    void ShowDestination();

    DialogContext m_context;
    std::string m_section;
    HWND m_window = nullptr;
    bool m_enabled = true;
    FolderBrowser m_browser;
};

// Checks the folder typed or chosen in the browser: blanks, quotes and tabs trimmed at both ends, a
// drive alone made its root. The result to accept, or empty with the reason shown to the person
// (not a fixed local drive, too little free space, not made). ask answers a Yes/No question.
struct FolderCheck
{
    std::function<UINT(const char* root)> driveType;          // GetDriveTypeA
    std::function<bool(const std::string& path)> enoughSpace; // false: the message was shown
    std::function<bool(const std::string& path)> exists;
    std::function<bool(const std::string& path)> create;      // with every missing parent
    std::function<bool(const std::string& text)> ask;         // Yes
    std::function<void(const std::string& text)> warn;
    std::string notFoundText;                                 // PATH_NOT_FOUND_MSG, %s: the path
    std::string cannotCreateText;                             // CAN_NOT_CREATE_DIR_MSG, %s: the path
};
std::string CheckChosenFolder(const std::string& typed, const FolderCheck& check);
