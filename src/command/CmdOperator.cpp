#include "command/CmdOperator.h"

#include <vector>

#include "base/TextRules.h"
#include "command/CommandEnv.h"
#include "command/CopyCommands.h"
#include "command/CopyFile.h"
#include "command/InstallCommandEnv.h"
#include "command/CommandSection.h"
#include "command/CommandText.h"
#include "base/WaitCursor.h"
#include "env/Platform.h"
#include "external/ExternalFnt.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "registry/Registry.h"

const char* const CCmdOperator::kVocabulary[kVocabularySize] = {
    "CT_OPEN_DLG",           "CT_EXE_FILE_WAIT",      "CT_EXE_FILE_NOWAIT",      "CT_EXE_FILE_ACTIVE",
    "CT_EXE_AND_TERMINATE",  "CT_RUNDLL",             "CT_RUNDLL_AND_TERMINATE", "CT_OPEN_FILE_NOWAIT",
    "CT_OPEN_FILE_WAIT",     "CT_OPEN_URL",           "CT_OPEN_BROWSE",          "CT_APP_TERMINATE",
    "CT_DLG_HELP",           "CT_DLG_BACK",           "CT_DLG_CANCEL",           "CT_FIND_LOCAL_PRINTER",
    "CT_ADDREG",             "CT_DELREG",             "CT_COMMAND",              "CT_PRINT_TEST_PAGE",
    "CT_PRINT_META_TEST_PAGE", "CT_PRINT_PRN_TEST_PAGE", "CT_DELETE_ALL",        "CT_REFRESH_SYSTEM",
    "CT_DIAGNOSIS",          "CT_START_PREVENT_PNP",  "CT_END_PREVENT_PNP",      "CT_COPY_FILE",
    "CT_RUN_REMOTE_INSTALL", "CT_RMHW_DLG",           "CT_REMOVE_DEV",           "CT_VIEW_LICESNE",
    "CT_DELETE_FILE",        "CT_WRITE_ITEM_INFO",    "CT_OPEN_TEST_PAGE",       "CT_INSTALL_UPDATE",
    "CT_CHANGE_LANG",        "CT_SET_REMOTE_INSTALL", "CT_CHECK_ITEM",           "CT_DO_MODAL",
    "CT_SET_INST_TYPE",      "CT_SET_SETUP_TYPE",     "CT_SHOW_TOGGLE",          "CT_OPEN_MANUAL",
};

namespace
{
// A command section may run another one; a section that (directly or not) runs itself would
// otherwise recurse until the stack is gone.
constexpr int kMaxSectionDepth = 32;

bool NoAction(const CommandRecord&)
{
    return true;
}
}  // namespace

CCmdOperator::CCmdOperator(CLog& log, CInstallEnv& env, CExternalFnt& external, HistoryRecorder recorder)
    : CCmdOperator(log, std::make_unique<CInstallCommandEnv>(env), external, std::move(recorder))
{
}

CCmdOperator::CCmdOperator(CLog& log, std::unique_ptr<CCommandEnv> ownedEnv, CExternalFnt& external,
                           HistoryRecorder recorder)
    : CCmdOperator(log, *ownedEnv, external, std::move(recorder))
{
    m_ownedEnv = std::move(ownedEnv);
}

CCmdOperator::CCmdOperator(CLog& log, CCommandEnv& env, CExternalFnt& external, HistoryRecorder recorder)
    : m_log(log),
      m_env(env),
      m_external(external),
      m_recorder(std::move(recorder)),
      m_programs(std::make_unique<CProgramCommands>(log, env, external)),
      m_registry(std::make_unique<CRegistryCommands>(log, env, m_recorder))
{
    ConnectOwnHandlers();
}

// The handlers of the command engine itself. Rows connected elsewhere: CT_OPEN_DLG, CT_DLG_BACK,
// CT_DO_MODAL, CT_SHOW_TOGGLE, CT_DLG_CANCEL and CT_OPEN_TEST_PAGE (wizard); CT_WRITE_ITEM_INFO and
// CT_CHECK_ITEM (items); CT_APP_TERMINATE, CT_INSTALL_UPDATE, CT_DELETE_ALL, CT_RUN_REMOTE_INSTALL and
// CT_DIAGNOSIS (follow-up commands and termination).
void CCmdOperator::ConnectOwnHandlers()
{
    ConnectProgramHandlers();
    Connect("CT_RUNDLL", NoAction);
    Connect("CT_RUNDLL_AND_TERMINATE", NoAction);
    Connect("CT_DLG_HELP", NoAction);
    Connect("CT_VIEW_LICESNE", NoAction);
    Connect("CT_FIND_LOCAL_PRINTER", [this](const CommandRecord& r) { return FindLocalPrinter(r); });
    Connect("CT_ADDREG", [this](const CommandRecord& r) { return m_registry->AddReg(r); });
    Connect("CT_DELREG", [this](const CommandRecord& r) { return m_registry->DelReg(r); });
    Connect("CT_COMMAND", [this](const CommandRecord& r) { return RunCommandSection(r); });
    Connect("CT_COPY_FILE", [this](const CommandRecord& r) { return RunCopySection(r, false); });
    Connect("CT_DELETE_FILE", [this](const CommandRecord& r) { return RunCopySection(r, true); });
    Connect("CT_REFRESH_SYSTEM", [this](const CommandRecord& r) { return RefreshSystem(r); });
    Connect("CT_START_PREVENT_PNP", [this](const CommandRecord& r) { return PreventPnP(r, true); });
    Connect("CT_END_PREVENT_PNP", [this](const CommandRecord& r) { return PreventPnP(r, false); });
    Connect("CT_RMHW_DLG", [this](const CommandRecord& r) { return RemoveHardwareWizard(r); });
    Connect("CT_REMOVE_DEV", [this](const CommandRecord& r) { return RemoveDevice(r); });
    Connect("CT_CHANGE_LANG", [this](const CommandRecord& r) { return ChangeLanguage(r); });
    Connect("CT_SET_REMOTE_INSTALL", [this](const CommandRecord& r) { return SetRemoteInstall(r); });
    Connect("CT_SET_INST_TYPE", [this](const CommandRecord& r) { return SetInstType(r); });
    Connect("CT_SET_SETUP_TYPE", [this](const CommandRecord& r) { return SetSetupType(r); });
}

void CCmdOperator::ConnectProgramHandlers()
{
    CProgramCommands& programs = *m_programs;
    Connect("CT_EXE_FILE_WAIT", [&programs](const CommandRecord& r) { return programs.ExeFileWait(r, true); });
    Connect("CT_EXE_FILE_NOWAIT", [&programs](const CommandRecord& r) { return programs.ExeFileNoWait(r); });
    Connect("CT_EXE_FILE_ACTIVE",
            [&programs](const CommandRecord& r) { return programs.ExeFileWait(r, false); });
    Connect("CT_EXE_AND_TERMINATE", [this](const CommandRecord& r) { return ExeAndTerminate(r); });
    Connect("CT_OPEN_FILE_NOWAIT", [&programs](const CommandRecord& r) { return programs.OpenFile(r); });
    Connect("CT_OPEN_FILE_WAIT", [&programs](const CommandRecord& r) { return programs.OpenFile(r); });
    Connect("CT_OPEN_URL", [&programs](const CommandRecord& r) { return programs.OpenUrl(r); });
    Connect("CT_OPEN_BROWSE", [&programs](const CommandRecord& r) { return programs.OpenBrowse(r); });
    Connect("CT_OPEN_MANUAL", [&programs](const CommandRecord& r) { return programs.OpenManual(r); });
    Connect("CT_PRINT_TEST_PAGE", [&programs](const CommandRecord& r) { return programs.PrintTestPage(r); });
    Connect("CT_PRINT_META_TEST_PAGE",
            [&programs](const CommandRecord& r) { return programs.PrintMetaTestPage(r); });
    Connect("CT_PRINT_PRN_TEST_PAGE",
            [&programs](const CommandRecord& r) { return programs.PrintPrnTestPage(r); });
}

bool CCmdOperator::Connect(const char* type, Handler handler)
{
    const int index = FindType(type);
    if (index < 0)
    {
        return false;
    }
    m_handlers[index] = std::move(handler);
    return true;
}

bool CCmdOperator::IsConnected(const char* type) const
{
    const int index = FindType(type);
    return index >= 0 && static_cast<bool>(m_handlers[index]);
}

void CCmdOperator::SetWindows(HWND wizard, HWND background)
{
    CommandWindows windows;
    windows.wizard = wizard;
    windows.background = background;
    m_programs->SetWindows(windows);
}

int CCmdOperator::FindType(const char* type) const
{
    if (type == nullptr)
    {
        return -1;
    }
    for (int index = 0; index < kVocabularySize; ++index)
    {
        if (EqualsAsciiNoCase(type, kVocabulary[index]))
        {
            return index;
        }
    }
    return -1;
}

bool CCmdOperator::Execute(const CommandRecord* record)
{
    const CWaitCursor wait;
    if (record == nullptr)
    {
        m_log.Write("Command Structure is invalid");
        return false;
    }
    // A copy of its own: the caller's record (the command mailbox) may be filled again at once.
    const CommandRecordPtr local = CopyCommandRecord(*record);
    m_log.Write("Call Command : Type = %s, Param1=%s,Param2=%s,Param3=%s,Param4=%s,Param5=%s", local->type,
                local->param[0], local->param[1], local->param[2], local->param[3], local->param[4]);
    const int index = FindType(local->type);
    if (index < 0 || !m_handlers[index])
    {
        return true;
    }
    const Handler handler = m_handlers[index];                // stays valid if it connects another one
    return handler(*local);
}

bool CCmdOperator::RunCommandLine(const std::string& line)
{
    const CommandLineParts parts = SplitCommandLine(line);
    const CommandRecordPtr record = MakeCommandRecord(parts.type.c_str(), parts.params[0].c_str(),
                                                      parts.params[1].c_str(), parts.params[2].c_str());
    return Execute(record.get());
}

void CCmdOperator::ReadCancelType()
{
    std::string text;
    if (!m_env.GetConfigProfile().GetString("DLG_COMMON", "CANCEL_TYPE", text))
    {
        return;
    }
    if (const std::optional<int> type = CancelTypeFromText(text))
    {
        m_cancelType = *type;
    }
}

bool CCmdOperator::RunCommandSection(const CommandRecord& record)
{
    const char* section = record.param[0];
    if (*section == '\0' || m_sectionDepth >= kMaxSectionDepth)
    {
        return false;
    }
    std::vector<std::string> lines;
    if (!ReadSectionLines(m_env.GetConfigProfile(), section, lines) &&
        !ReadSectionLines(m_env.GetCommandProfile(), section, lines))
    {
        return false;
    }
    ++m_sectionDepth;
    for (const std::string& line : lines)
    {
        (void)RunCommandLine(line);                           // a failing line does not stop the section
    }
    --m_sectionDepth;
    return true;
}

bool CCmdOperator::RunTarget(const std::string& target)
{
    if (IsCommandText(target))
    {
        return RunCommandLine(target);
    }
    const int index = FindType("CT_OPEN_DLG");
    if (!m_handlers[index])
    {
        return true;
    }
    const CommandRecordPtr record = MakeCommandRecord("CT_OPEN_DLG", target.c_str());
    return m_handlers[index](*record);
}

void CCmdOperator::Terminate(bool cancelled)
{
    if (m_terminator)
    {
        m_terminator(cancelled);
    }
}

std::string CCmdOperator::DeviceId() const
{
    return m_env.GetMfg() + m_env.GetMdl();
}

bool CCmdOperator::FindLocalPrinter(const CommandRecord& record)
{
    int portCount = 0;
    (void)m_external.GetDevicePort(m_env.GetMfg().c_str(), m_env.GetMdl().c_str(), m_env.GetVidPid().c_str(),
                                   nullptr, &portCount);
    (void)RunTarget(portCount >= 1 ? record.param[0] : record.param[1]);
    return true;
}

bool CCmdOperator::ExeAndTerminate(const CommandRecord& record)
{
    if (m_programs->StartProgram(record).IsValid())
    {
        Terminate(false);
    }
    return true;
}

bool CCmdOperator::SetInstType(const CommandRecord& record)
{
    const std::string key = m_env.GetInstallingKey();
    (void)CRegistry::SetValue(key.c_str(), "Install_Type", record.param[0], HKEY_LOCAL_MACHINE);
    return true;
}

bool CCmdOperator::SetSetupType(const CommandRecord& record)
{
    (void)CRegistry::SetValue(m_env.GetInstallingKey().c_str(), "Setup_Type",
                              static_cast<DWORD>(SetupTypeFromText(record.param[0])), HKEY_LOCAL_MACHINE);
    return true;
}

bool CCmdOperator::SetRemoteInstall(const CommandRecord& record)
{
    m_env.SetRemoteInstallPreparation(ParseInteger(record.param[0]));
    return true;
}

bool CCmdOperator::ChangeLanguage(const CommandRecord& record)
{
    const WORD langId = ParseLanguageId(record.param[0]);
    m_log.Write("Change Language ==> %04x", static_cast<unsigned>(langId));
    (void)m_env.SetLanguage(langId, true);
    return true;
}

// The helper library's answers are only logged by the table: the commands succeed either way.
bool CCmdOperator::PreventPnP(const CommandRecord&, bool start)
{
    const std::string deviceId = DeviceId();
    (void)(start ? m_external.StartPreventPnP(deviceId.c_str()) : m_external.EndPreventPnP(deviceId.c_str()));
    return true;
}

bool CCmdOperator::RemoveHardwareWizard(const CommandRecord&)
{
    (void)m_external.RemoveHardwareWizardDialog();
    return true;
}

bool CCmdOperator::RemoveDevice(const CommandRecord&)
{
    (void)m_external.RemoveUnknownDev(DeviceId().c_str(), m_env.GetVidPid().c_str());
    return true;
}

// Windows NT 3 and 4 have no Plug and Play to refresh.
bool CCmdOperator::RefreshSystem(const CommandRecord&)
{
    const int osCode = m_env.GetOsCode();
    if (osCode != OS_NT3 && osCode != OS_NT4)
    {
        (void)m_external.SystemRefresh(DeviceId().c_str(), m_env.GetVidPid().c_str());
    }
    return true;
}

bool CCmdOperator::RunCopySection(const CommandRecord& record, bool deleting)
{
    const char* section = record.param[0];
    if (*section == '\0')
    {
        return false;
    }
    if (!CommandSectionApplies(m_env, section))
    {
        return true;
    }
    std::vector<std::string> lines;
    if (!ReadSectionLines(m_env.GetCommandProfile(), section, lines))
    {
        return false;
    }
    CCopyFile copier(m_log, m_env.GetOsClass(), m_recorder);
    if (deleting)
    {
        RunDeleteFileLines(copier, lines);
    }
    else
    {
        RunCopyFileLines(copier, lines);
    }
    return true;
}
