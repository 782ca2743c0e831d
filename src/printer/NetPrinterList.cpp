#include "printer/NetPrinterList.h"

#include <algorithm>

#include "base/Text.h"
#include "base/TextRules.h"
#include "base/UserMessage.h"
#include "env/InstallEnv.h"
#include "external/FaultGuard.h"
#include "printer/NetPlatform.h"

namespace
{
constexpr size_t kModelNameSize = 20;
constexpr int kMaxLocalPorts = 255;
constexpr DWORD kDescriptionSize = 16384;
constexpr const char* kMessageSection = "COMMON_MESSAGES";
const char* const kMessageKeys[] = {"FIXED_UNC_ERROR",         "FIXED_IP_ERROR",         "FIXED_PRINT_NOT_MACHED",
                                    "FIXED_MONITOR_ERROR",     "FIXED_SETIP_CONFIRM_MSG", "FIXED_SETIP_SUCCESS_MSG",
                                    "FIXED_SETIP_FAIL_MSG"};

std::vector<std::string> SplitList(const std::string& text, const char* trimmed)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size())
    {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
        {
            end = text.size();
        }
        const std::string part = Trim(text.substr(start, end - start), trimmed);
        if (!part.empty())
        {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return parts;
}

std::string DottedText(const BYTE* bytes)
{
    return FormatText("%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
}
}  // namespace

NET_PRINTER_RECORD DecodeNetPrinterEntry(const BYTE* entry)
{
    NET_PRINTER_RECORD record;
    const char* name = reinterpret_cast<const char*>(entry + 7);
    record.name.assign(name, std::find(name, name + kModelNameSize, '\0'));   // not always terminated
    const BYTE* mac = entry + 47;
    record.hardwareAddress = FormatText("%02X%02X%02X%02X%02X%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    record.address = DottedText(entry + 53);
    record.subnetMask = DottedText(entry + 57);
    record.gateway = DottedText(entry + 61);
    record.network = true;
    return record;
}

std::string FormatMessageText(const std::string& text, const std::string& argument)
{
    return FillPlaceholder(text, argument);
}

bool IsIpAddressText(const std::string& text)
{
    int parts = 0;
    size_t start = 0;
    for (;;)
    {
        const size_t end = std::min(text.find('.', start), text.size());
        const std::string part = text.substr(start, end - start);
        if (++parts > 4 || part.empty() || part.size() > 3 ||
            part.find_first_not_of("0123456789") != std::string::npos || std::stoi(part) > 255)
        {
            return false;
        }
        if (end == text.size())
        {
            return parts == 4;
        }
        start = end + 1;
    }
}

CNetPrinterList::CNetPrinterList(CLog& log, const CExternalFnt& helpers, const CMyPrinter* printers)
    : m_log(log), m_helpers(helpers), m_printers(printers), m_calls(SystemNetPlatformCalls())
{
    for (const char* key : kMessageKeys)
    {
        m_messages.emplace_back(key, std::string("[COMMON_MESSAGES]\r\n") + key);
    }
}

NetPrinterContext CNetPrinterList::ContextFrom(const CInstallEnv& env)
{
    NetPrinterContext context;
    context.osCode = env.GetOsCode();
    context.osClass = env.GetOsClass();
    context.osDefine = env.GetOsDefine();
    context.systemDir = env.GetSystemDir();
    context.mfg = env.GetMfg();
    context.mdl = env.GetMdl();
    context.vidPid = env.GetVidPid();
    context.installingKey = env.GetInstallingKey();
    context.programName = env.GetProgramName();
    context.usePublicOid = env.GetOptions().usePublicOid;
    context.useIpx = env.GetOptions().useIpx;
    context.stopFirewall = env.GetOptions().stopFirewall;
    context.remoteInstallPreparation = env.IsRemoteInstallPreparation();
    return context;
}

void CNetPrinterList::SetCopySectionRunner(std::function<void(const std::string& section)> runner)
{
    m_copySection = std::move(runner);
}

bool CNetPrinterList::Load(const CConfigProfile& data, const char* section)
{
    m_settings = NetPrinterSettings();
    std::string text;
    if (data.GetString(section, "NET_ID_STRING", text))
    {
        m_settings.modelIds = SplitList(text, " \t\"'");
        if (m_settings.modelIds.size() > kMaxModelIds)
        {
            m_settings.modelIds.resize(kMaxModelIds);
        }
    }
    const std::string os = m_context.osDefine;
    if (!data.GetString(section, ("MONITOR_FILE_" + os).c_str(), m_settings.monitorFile) ||
        m_settings.monitorFile.empty())
    {
        m_settings.monitorFile.clear();
        m_settings.noMonitor = true;
        return true;
    }
    const bool named = data.GetString(section, ("MONITOR_NAME_" + os).c_str(), m_settings.monitorName) ||
                       data.GetString(section, "MONITOR_NAME", m_settings.monitorName);
    if (!data.GetString(section, ("SNMP_FILE_" + os).c_str(), m_settings.snmpFile))
    {
        (void)data.GetString(section, "SNMP_FILE", m_settings.snmpFile);
    }
    if (data.GetString(section, "COPY_FILE", text))
    {
        m_settings.copySections = SplitList(text, " \t");
    }
    if (!data.GetString(section, "NET_MUTEX_NAME", m_settings.mutexName))
    {
        m_settings.mutexName = kDefaultMutexName;
    }
    return named;
}

void CNetPrinterList::LoadMessages(const CConfigProfile& config)
{
    char section[256] = {};
    if (!config.ResolveSection(kMessageSection, section, sizeof(section)))
    {
        CopyText(section, sizeof(section), kMessageSection);
    }
    for (auto& message : m_messages)
    {
        std::string text;
        message.second = config.GetString(section, message.first.c_str(), text)
                             ? text
                             : std::string("[COMMON_MESSAGES]\r\n") + message.first;
    }
}

const std::string& CNetPrinterList::GetMessage(const char* key) const
{
    static const std::string empty;
    for (const auto& message : m_messages)
    {
        if (message.first == key)
        {
            return message.second;
        }
    }
    return empty;
}

void CNetPrinterList::ShowWarning(const char* key, const std::string& argument) const
{
    (void)ShowUserMessage(m_owner, FormatMessageText(GetMessage(key), argument), m_context.programName,
                          MB_OK | MB_ICONWARNING);
}

bool CNetPrinterList::AskYesNo(const char* key, const std::string& argument) const
{
    return ShowUserMessage(m_owner, FormatMessageText(GetMessage(key), argument), m_context.programName,
                           MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

bool CNetPrinterList::SearchPrinter()
{
    m_records.clear();
    m_found = false;
    m_count = 0;
    const bool stopped = StopFirewall();
    // The entries come from a helper library: a fault while reading them ends that part of the search.
    bool faulted = false;
    if (!CFaultGuard::Run([this] { AppendNetworkPrinters(); }).completed)
    {
        m_log.Write("\r\n GPF occurred in Search Network Printer \r\n");
        faulted = true;
    }
    if (!m_context.remoteInstallPreparation && !CFaultGuard::Run([this] { AppendLocalPorts(); }).completed)
    {
        m_log.Write("\r\n GPF occurred in Search Local Printer \r\n");
        faulted = true;
    }
    if (stopped)
    {
        RestoreFirewall();
    }
    return !faulted && m_count != 0;
}

// Asks the search helper for the count, then for the entries: room for 2n + 256 records, so that the
// local ports always fit behind the network printers.
void CNetPrinterList::AppendNetworkPrinters()
{
    DWORD available = 0;
    const int answer = m_helpers.GetNetPrinter(nullptr, 0, &available);
    const DWORD wanted = answer == 1 ? available : 0;
    const size_t capacity = wanted > 0 && wanted < 0x100000 ? 2 * static_cast<size_t>(wanted) + 256 : 256;
    m_records.assign(capacity, NET_PRINTER_RECORD());
    if (wanted == 0)
    {
        return;
    }
    std::vector<BYTE> entries(capacity * kEntrySize, 0);
    DWORD returned = 0;
    if (m_helpers.GetNetPrinter(&entries[0], static_cast<DWORD>(entries.size()), &returned) != 0)
    {
        return;
    }
    // A helper that claims more entries than the buffer holds is taken at the buffer's word.
    returned = static_cast<DWORD>(std::min<size_t>(returned, capacity - kMaxLocalPorts - 1));
    m_log.Write("Get Set IP Printer list success [%d]", static_cast<int>(returned));
    for (DWORD i = 0; i < returned; ++i)
    {
        const BYTE* entry = &entries[i * kEntrySize];
        NET_PRINTER_RECORD record = DecodeNetPrinterEntry(entry);
        const BYTE* mac = entry + 47;
        const BYTE* ip = entry + 53;
        const BYTE* mask = entry + 57;
        const BYTE* gateway = entry + 61;
        m_log.Write("Main ==> Printer %02d = %20s,(%02X%02X%02X%02X%02X%02X),(%3d.%3d.%3d.%3d),(%3d.%3d.%3d.%3d),"
                    "(%3d,%3d,%3d,%3d)",
                    static_cast<int>(i), record.name.c_str(), mac[0], mac[1], mac[2], mac[3], mac[4], mac[5], ip[0],
                    ip[1], ip[2], ip[3], mask[0], mask[1], mask[2], mask[3], gateway[0], gateway[1], gateway[2],
                    gateway[3]);
        record.valid = CheckIP(record.address, false, true) == kMatch;
        m_found = m_found || record.valid;
        m_records[static_cast<size_t>(m_count++)] = record;
    }
}

void CNetPrinterList::AppendLocalPorts()
{
    std::vector<std::string> ports;
    int count = 0;
    if (!m_helpers.GetDevicePort(m_context.mfg.c_str(), m_context.mdl.c_str(), m_context.vidPid.c_str(), &ports,
                                 &count))
    {
        count = 0;
    }
    m_log.Write("Num Of Local Printer = %d", count);
    if (count < 1 || count > kMaxLocalPorts)
    {
        return;
    }
    const size_t usable = std::min(ports.size(), static_cast<size_t>(count));
    for (size_t i = 0; i < usable && static_cast<size_t>(m_count) < m_records.size(); ++i)
    {
        NET_PRINTER_RECORD record;
        record.name = m_context.mfg + " " + m_context.mdl;
        record.address = ports[i];
        record.valid = true;
        m_log.Write("Found local port[%d]  = %s", static_cast<int>(i), ports[i].c_str());
        m_records[static_cast<size_t>(m_count++)] = record;
    }
}

int CNetPrinterList::CheckIP(const std::string& address, bool showErrors, bool quiet)
{
    std::string description;
    const int result = m_helpers.MyGetPrinterDesc(address.c_str(), &description, m_context.usePublicOid);
    if (result == 0)
    {
        m_log.Write("Check IP ==> %s", description.c_str());
        const std::string upper = SystemUpper(description);
        for (const std::string& id : m_settings.modelIds)
        {
            if (upper.find(SystemUpper(id)) == std::string::npos)
            {
                m_log.Write("This IP is mismatched with %s", id.c_str());
                return kNotOurModel;
            }
        }
        return kMatch;
    }
    if (!showErrors)
    {
        m_log.Write("Check IP ==> fail");
        return result;
    }
    const DWORD err = ::GetLastError();
    if ((result == 1 || result == 2 || result == 4096) && !quiet)
    {
        ShowWarning("FIXED_IP_ERROR", address);
    }
    m_log.WriteError(err, "Check IP Error (%s)", address.c_str());
    return result;
}
