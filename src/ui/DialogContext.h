#pragma once
// What a wizard dialog of any kind may reach: the look, files and log of every dialog (CUiEnv); in
// the installer, the installer's environment, its items, the printer manager, the network printer
// list and a maker of install runs; and the wizard itself (blocking the close box, running a command
// at once, bringing the frame to the front). A dialog made for a test is given only what it uses:
// the parts it is not given are null, and a kind that needs one logs its absence and does nothing.

#include <functional>
#include <memory>

#include "base/HistoryRecorder.h"

class CUiEnv;
class CInstallEnv;
class CItem;
class CMyPrinter;
class CNetPrinterList;
class CInstallRun;
class CWizard;

struct DialogContext
{
    CUiEnv* ui = nullptr;                                     // always given
    CInstallEnv* env = nullptr;
    CItem* items = nullptr;
    CMyPrinter* printers = nullptr;
    CNetPrinterList* network = nullptr;
    // A new install run over the items, for the install dialogs; empty where none can be made.
    std::function<std::unique_ptr<CInstallRun>()> makeInstallRun;
    // What the copy dialog's files are recorded through, so that an uninstall removes them.
    std::function<HistoryRecorder()> fileRecorder;
    // The person chose a restart of Windows in the finish dialog: now (true) or later (false).
    std::function<void(bool now)> restartChosen;
    CWizard* wizard = nullptr;
};
