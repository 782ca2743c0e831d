#include "ui/FinishDlg.h"

#include <vector>

#include "base/TextRules.h"
#include "base/UserMessage.h"
#include "base/WaitCursor.h"
#include "env/InstallEnv.h"
#include "items/Item.h"
#include "log/Log.h"
#include "printer/MyPrinter.h"
#include "profile/ConfigProfile.h"
#include "ui/UiResources.h"
#include "ui/Wizard.h"

namespace
{
const UINT kOkCancelWarning = 0x31;                           // OK / Cancel with the warning icon

// A URL or path as written: in double quotes when it holds "//", which would start a comment.
std::string Unquoted(const std::string& text)
{
    return Trim(text, " \t\"");
}

bool ReadFlag(const CConfigProfile& config, const std::string& section, const char* key, int fallback)
{
    std::string text;
    if (section.empty() || !config.GetString(section.c_str(), key, text) || Trim(text).empty())
    {
        return fallback != 0;
    }
    return Trim(text) != "0";
}
}  // namespace

TestPageSpec::Type TestPageSpec::TypeFromText(const std::string& text)
{
    const std::string word = Trim(text, " \t\"");
    if (EqualsAsciiNoCase(word, "PRN"))
    {
        return kPrn;
    }
    return EqualsAsciiNoCase(word, "WMF") ? kMetafile : kComposed;
}

// What both dialogs of the end share.

CEndDlg::CEndDlg(const DialogContext& context, int templateId) : CSkinDlg(context, templateId) {}

void CEndDlg::OnEnter(const std::string& parameter)
{
    if (Context().wizard != nullptr)
    {
        Context().wizard->SetCancelBlocked(true);
    }
    CSkinDlg::OnEnter(parameter);
}

void CEndDlg::ReadTestPage()
{
    m_testPage = TestPageSpec();
    m_testPage.type = TestPageSpec::TypeFromText(Config().OwnText("TEST_PAGE_TYPE"));
    m_testPage.file = Unquoted(Config().OwnText("TESTPAGE_FILE"));
    m_testPage.bitmap = Unquoted(Config().OwnText("TESTPAGE_BITMAP"));
    m_testPage.url = Unquoted(Config().OwnText("TESTPAGE_URL"));
    m_testPage.text = Config().OwnText("TESTPAGE_STRING");
}

void CEndDlg::PlaceCheckBox(const char* key, int id)
{
    HWND box = ::GetDlgItem(m_window, id);
    if (!PlaceColouredControl(key, box))
    {
        return;
    }
    std::string objectSection;
    (void)Config().ReadOwnString(key, objectSection);
    (void)::CheckDlgButton(m_window, id, ReadFlag(Env().Config(), objectSection, "CHECK_BOX_INIT", 0) ? BST_CHECKED
                                                                                                    : BST_UNCHECKED);
}

// The first radio's object section gives the pair its colour and, with RADIO_INIT 1, chooses the second.
bool CEndDlg::PlaceRadioPair(const char* firstKey, const char* secondKey, int firstId, int secondId)
{
    HWND first = ::GetDlgItem(m_window, firstId);
    HWND second = ::GetDlgItem(m_window, secondId);
    const bool firstPlaced = PlaceFixedControl(firstKey, first);
    const bool secondPlaced = PlaceFixedControl(secondKey, second);
    (void)ApplyFixedBackColour(firstKey, first);
    (void)ApplyFixedBackColour(firstKey, second);
    std::string objectSection;
    std::string initial;
    const bool secondChosen = Config().ReadOwnString(firstKey, objectSection) && !objectSection.empty() &&
                              Env().Config().GetString(objectSection.c_str(), "RADIO_INIT", initial) &&
                              Trim(initial) == "1";
    (void)::CheckRadioButton(m_window, firstId, secondId, secondChosen ? secondId : firstId);
    return firstPlaced || secondPlaced;
}

std::string CEndDlg::TestPagePrinter() const
{
    const CMyPrinter* printers = Context().printers;
    if (printers == nullptr)
    {
        return std::string();
    }
    std::vector<std::string> names;
    if (printers->GetInstalledPrinterNames(&names) > 0 && !names.empty())
    {
        return names.front();
    }
    return printers->GetDefaultPrinterCandidate();
}

bool CEndDlg::PrintTestPage()
{
    CWizard* wizard = Context().wizard;
    if (wizard == nullptr)
    {
        return false;
    }
    const CWaitCursor wait;
    const std::string printer = TestPagePrinter();
    Env().Log().Write("Print the test page on [%s]", printer.c_str());
    switch (m_testPage.type)
    {
    case TestPageSpec::kPrn:
        return wizard->RunCommand("CT_PRINT_PRN_TEST_PAGE", printer.c_str(), m_testPage.file.c_str());
    case TestPageSpec::kMetafile:
        return wizard->RunCommand("CT_PRINT_META_TEST_PAGE", printer.c_str(), m_testPage.file.c_str());
    default:
        return wizard->RunCommand("CT_PRINT_TEST_PAGE", printer.c_str(), m_testPage.text.c_str(),
                                  m_testPage.url.c_str(), m_testPage.bitmap.c_str());
    }
}

// The finish dialog.

CFinishDlg::CFinishDlg(const DialogContext& context) : CEndDlg(context, IDD_FINISH) {}

void CFinishDlg::InitFixedControls()
{
    CSkinDlg::InitFixedControls();
    (void)PlaceFixedControl("FIXED_END", ::GetDlgItem(m_window, IDC_FINISH_END));
    PlaceCheckBox("FIXED_CHECKBOX", IDC_FINISH_REGISTER);
    PlaceCheckBox("FIXED_CHECKBOX_TESTPRINT", IDC_FINISH_TESTPRINT);
    PlaceCheckBox("FIXED_CHECKBOX_REBOOT", IDC_FINISH_REBOOT);
    const bool radiosPlaced = PlaceRadioPair("FIXED_RADIO_REBOOT", "FIXED_RADIO_NO_REBOOT", IDC_FINISH_REBOOT_NOW,
                                             IDC_FINISH_REBOOT_LATER);
    m_restartShown = radiosPlaced || ::IsWindowVisible(::GetDlgItem(m_window, IDC_FINISH_REBOOT)) != FALSE;
    m_registrationUrl = Unquoted(Config().OwnText("ONLINE_REG_URL"));
    ReadTestPage();
    m_focusControl = ::GetDlgItem(m_window, IDC_FINISH_END);
}

std::string CFinishDlg::EndCommandName() const
{
    const DialogContext& context = Context();
    std::string name;
    if (context.wizard != nullptr && !context.wizard->StartSection().empty() &&
        Context().ui->Config().GetString(context.wizard->StartSection().c_str(), "END_CMD", name))
    {
        return name;
    }
    DWORD setupType = 0;
    if (context.items == nullptr || !context.items->ReadSetupType(&setupType))
    {
        return std::string();
    }
    return EndCommandFor(setupType, setupType == 2 && context.items->AnyInstalled());
}

std::string CFinishDlg::EndCommandFor(DWORD setupType, bool itemsRemainInstalled)
{
    switch (setupType)
    {
    case 1:
        return "INST_END_CMD";
    case 2:
        // Items that stay installed still need what the uninstall end would remove.
        return itemsRemainInstalled ? std::string() : "UNINST_END_CMD";
    case 3:
    case 4:
    case 5:
        return "REINST_END_CMD";
    default:
        return std::string();
    }
}

bool CFinishDlg::OnKindCommand(int id, int code, HWND /*control*/)
{
    if (id != IDC_FINISH_END || code != BN_CLICKED)
    {
        return false;
    }
    if (IsShown())
    {
        OnFinish();
    }
    return true;
}

void CFinishDlg::OnFinish()
{
    CWizard* wizard = Context().wizard;
    const auto isTicked = [this](int id) {
        return ::IsWindowVisible(::GetDlgItem(m_window, id)) != FALSE &&
               ::IsDlgButtonChecked(m_window, id) == BST_CHECKED;
    };
    const bool registration = isTicked(IDC_FINISH_REGISTER);
    const bool testPage = isTicked(IDC_FINISH_TESTPRINT);
    bool restartNow = false;
    if (::IsWindowVisible(::GetDlgItem(m_window, IDC_FINISH_REBOOT_NOW)) != FALSE ||
        ::IsWindowVisible(::GetDlgItem(m_window, IDC_FINISH_REBOOT_LATER)) != FALSE)
    {
        restartNow = ::IsDlgButtonChecked(m_window, IDC_FINISH_REBOOT_NOW) == BST_CHECKED;
    }
    else
    {
        restartNow = isTicked(IDC_FINISH_REBOOT);
    }
    if (wizard == nullptr)
    {
        return;
    }
    if (registration && !m_registrationUrl.empty())
    {
        (void)wizard->RunCommand("CT_OPEN_URL", m_registrationUrl.c_str());
    }
    if (testPage)
    {
        (void)PrintTestPage();
    }
    const std::string endCommand = EndCommandName();
    if (!endCommand.empty())
    {
        (void)wizard->RunCommand("CT_COMMAND", endCommand.c_str());
    }
    if (m_restartShown && Context().restartChosen)
    {
        Context().restartChosen(restartNow);
    }
    wizard->PostCommand("CT_APP_TERMINATE");
}

// The test-page dialog.

CTestPageDlg::CTestPageDlg(const DialogContext& context) : CEndDlg(context, IDD_TEST_PAGE) {}

void CTestPageDlg::InitFixedControls()
{
    CSkinDlg::InitFixedControls();
    (void)PlaceFixedControl("FIXED_NEXT", ::GetDlgItem(m_window, IDC_NEXT));
    PlaceCheckBox("FIXED_CHECKBOX", IDC_TESTPAGE_CHECK);
    (void)PlaceRadioPair("FIXED_RADIO_0", "FIXED_RADIO_1", IDC_TESTPAGE_PRINT, IDC_TESTPAGE_SKIP);
    m_connectMessage = Config().OwnText("DEVICE_CONNECT_MSG");
    ReadTestPage();
}

bool CTestPageDlg::OnKindCommand(int id, int code, HWND /*control*/)
{
    if (id != IDC_NEXT || code != BN_CLICKED)
    {
        return false;
    }
    if (!IsShown())
    {
        return true;
    }
    const auto isChosen = [this](int control) {
        return ::IsWindowVisible(::GetDlgItem(m_window, control)) != FALSE &&
               ::IsDlgButtonChecked(m_window, control) == BST_CHECKED;
    };
    bool printed = false;
    if (isChosen(IDC_TESTPAGE_CHECK) || isChosen(IDC_TESTPAGE_PRINT))
    {
        printed = PrintWhenConnected();
    }
    PostNext(printed);
    return true;
}

bool CTestPageDlg::PrintWhenConnected()
{
    CInstallEnv* env = Context().env;
    CWizard* wizard = Context().wizard;
    if (env == nullptr || wizard == nullptr)
    {
        return false;
    }
    while (!env->CheckDevicePort(false))
    {
        if (ShowUserMessage(m_window, m_connectMessage, Env().ProgramName(), kOkCancelWarning) != IDOK)
        {
            Env().Log().Write("The test page was not printed: the printer is not connected");
            return false;
        }
    }
    (void)wizard->RunCommand("CT_DIAGNOSIS");
    return PrintTestPage();
}
