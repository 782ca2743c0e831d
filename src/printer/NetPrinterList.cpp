#include "printer/NetPrinterList.h"

#include <algorithm>
#include <cstdio>

#include "base/Text.h"
#include "base/UserMessage.h"
#include "env/InstallEnv.h"
#include "env/Platform.h"
#include "external/FaultGuard.h"
#include "printer/MyPrinter.h"
#include "printer/NetPlatform.h"
#include "printer/Spooler.h"
#include "registry/Registry.h"

namespace
{
constexpr size_t kModelNameSize = 20;
constexpr int kMaxLocalPorts = 255;
constexpr DWORD kDescriptionSize = 16384;
constexpr const char* kMessageSection = "COMMON_MESSAGES";
const char* const kMessageKeys[] = {"FIXED_UNC_ERROR",         "FIXED_IP_ERROR",         "FIXED_PRINT_NOT_MACHED",
                                    "FIXED_MONITOR_ERROR",     "FIXED_SETIP_CONFIRM_MSG", "FIXED_SETIP_SUCCESS_MSG",
                                    "FIXED_SETIP_FAIL_MSG"};

std::string Upper(std::string text)
{
    if (!text.empty())
    {
        ::CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    }
    return text;
}

std::string Trim(const std::string& text, const char* characters)
{
    const size_t first = text.find_first_not_of(characters);
    if (first == std::string::npos)
    {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(characters) - first + 1);
}

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

std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DottedText(const BYTE* bytes)
{
    return FormatText("%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
}

void RemoveAll(std::string& text, const std::string& part)
{
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at))
    {
        text.erase(at, part.size());
    }
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
    const size_t at = text.find("%s");
    return at == std::string::npos ? text : text.substr(0, at) + argument + text.substr(at + 2);
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
        const std::string upper = Upper(description);
        for (const std::string& id : m_settings.modelIds)
        {
            if (upper.find(Upper(id)) == std::string::npos)
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

std::string CNetPrinterList::MonitorFileName() const
{
    return FileNameOf(m_settings.monitorFile);
}

bool CNetPrinterList::PrepareMonitor()
{
    for (const std::string& section : m_settings.copySections)
    {
        if (m_copySection)
        {
            m_copySection(section);
        }
    }
    for (const std::string* file : {&m_settings.monitorFile, &m_settings.snmpFile})
    {
        if (file->empty())
        {
            continue;
        }
        if (m_context.systemDir.empty())
        {
            return false;    // the file would land in the root of a drive
        }
        const std::string target = m_context.systemDir + "\\" + FileNameOf(*file);
        if (!::CopyFileA(file->c_str(), target.c_str(), FALSE))
        {
            return false;
        }
    }
    return true;
}

bool CNetPrinterList::CreatePortForRecord(int index, std::string* port)
{
    if (index < 0 || index >= m_count)
    {
        return false;
    }
    const NET_PRINTER_RECORD& record = m_records[static_cast<size_t>(index)];
    if (!record.network)
    {
        *port = record.address;
        return true;
    }
    if (!PrepareMonitor())
    {
        return false;
    }
    const std::string name = "IP_" + record.address;
    const BOOL standardPort = m_settings.monitorFile.empty() && m_context.osClass == OSCLASS_NT5;
    if (!m_helpers.MySetNetworkPort(name.c_str(), record.address.c_str(), m_settings.monitorName.c_str(),
                                    MonitorFileName().c_str(), m_settings.mutexName.c_str(), standardPort))
    {
        return false;
    }
    *port = name;
    return true;
}

bool CNetPrinterList::CreateTcpIpPort(const std::string& port, const std::string& address, const std::string& extra)
{
    if (port.empty() || address.empty() || !PrepareMonitor())
    {
        return false;
    }
    (void)RemoveStoredPorts();
    BOOL created = FALSE;
    if (m_context.useIpx)
    {
        std::string ipx;
        if (!m_helpers.MyGetIPX(address.c_str(), &ipx))
        {
            m_log.Write("Get IPX address with IP(%s) fail!!!", address.c_str());
        }
        created = m_helpers.MySetNetworkPortEx(port.c_str(), address.c_str(), extra.c_str(), ipx.c_str(),
                                               m_settings.monitorName.c_str(), MonitorFileName().c_str(),
                                               m_settings.mutexName.c_str(), m_settings.noMonitor);
    }
    else
    {
        created = m_helpers.MySetNetworkPort(port.c_str(), address.c_str(), m_settings.monitorName.c_str(),
                                             MonitorFileName().c_str(), m_settings.mutexName.c_str(),
                                             m_settings.noMonitor);
    }
    if (!created)
    {
        ShowWarning("FIXED_MONITOR_ERROR", port);
        m_log.Write("Create TCP/IP Port Error (%s)", address.c_str());
        return false;
    }
    (void)StorePort(port);
    return true;
}

bool CNetPrinterList::SetTcpIpPort(const std::string& address, const std::string& port, bool quiet)
{
    if (address.empty())
    {
        ShowWarning("FIXED_IP_ERROR", address);
        m_log.Write("Set TCP/IP .. IP is empty!!");
        return false;
    }
    // The helper gets only what can be an address: a text such as "300.1.1.1" never reaches it.
    if (!IsIpAddressText(address))
    {
        ShowWarning("FIXED_IP_ERROR", address);
        m_log.Write("Set TCP/IP .. IP is invalid (%s)", address.c_str());
        return false;
    }
    const int checked = CheckIP(address, true, quiet);
    if (checked == kMatch)
    {
        return CreateTcpIpPort(port, address, std::string());
    }
    if (checked != kNotOurModel)
    {
        return false;
    }
    bool created = false;
    if (GetMessage("FIXED_PRINT_NOT_MACHED").empty() || AskYesNo("FIXED_PRINT_NOT_MACHED", address))
    {
        created = CreateTcpIpPort(port, address, std::string());
    }
    m_log.Write("[%s] IP is not matched with this printer driver", address.c_str());
    return created;
}

CNetPrinterList::ConnectResult CNetPrinterList::AddConnection(const std::string& path)
{
    const DWORD err = m_calls.addConnection(path, m_owner);
    if (err == ERROR_SUCCESS)
    {
        return kConnected;
    }
    if (err == ERROR_ALREADY_ASSIGNED)
    {
        return kAlreadyConnected;
    }
    m_log.WriteError(err, "Add Network Connection");
    return kNotConnected;
}

bool CNetPrinterList::PortExists(const std::string& port) const
{
    std::vector<std::string> ports;
    if (Spooler::EnumPortNames(&ports) != ERROR_SUCCESS)
    {
        return false;
    }
    return std::any_of(ports.begin(), ports.end(),
                       [&](const std::string& each) { return ::lstrcmpiA(each.c_str(), port.c_str()) == 0; });
}

bool CNetPrinterList::AddLocalPortNt4(const std::string& path)
{
    const DWORD err = m_calls.addPortEx(path);
    if (err == ERROR_SUCCESS)
    {
        m_log.Write("Add Local Port Success (%s)", path.c_str());
        return true;
    }
    m_log.WriteError(err, err == ERROR_MOD_NOT_FOUND     ? "LoadLibrary"
                          : err == ERROR_PROC_NOT_FOUND ? "GetProcAddress"
                                                        : "Add Local Port");
    if (PortExists(path))
    {
        m_log.Write("(%s) is valid port", path.c_str());
        return true;
    }
    return false;
}

bool CNetPrinterList::AddLocalPortNt5(const std::string& path)
{
    DWORD status = kXcvNotOpened;
    const DWORD err = m_calls.xcvAddPort(path, &status);
    if (status == kXcvNotOpened)
    {
        m_log.WriteError(err, "OpenPrinter");
        return false;
    }
    const bool added = err == ERROR_SUCCESS && status == ERROR_SUCCESS;
    m_log.Write(added ? "Add Local Port Success (%s) [%d] [%d]" : "Add Local Port fail (%s) [%d] [%d]", path.c_str(),
                static_cast<int>(status), static_cast<int>(err));
    return added;
}

bool CNetPrinterList::AddUNCPort(const std::string& path)
{
    const ConnectResult connected = AddConnection(path);
    bool done = false;
    switch (m_context.osClass)
    {
    case OSCLASS_9X:
        done = connected != kNotConnected;
        break;
    case OSCLASS_NT4:
        done = connected == kAlreadyConnected || (connected == kConnected && AddLocalPortNt4(path));
        break;
    case OSCLASS_NT5:
        done = connected == kAlreadyConnected || (connected == kConnected && AddLocalPortNt5(path));
        break;
    default:
        break;
    }
    if (!done)
    {
        ShowWarning("FIXED_UNC_ERROR", path);
    }
    return done;
}

bool CNetPrinterList::ConnectUNC(const std::string& path)
{
    // The connection goes through the network provider and the spooler of another computer: a fault
    // there ends the step, not the installer.
    bool connected = false;
    if (!CFaultGuard::Run([&] { connected = ConnectUNCUnguarded(path); }).completed)
    {
        m_log.Write("\r\n GPF occurred in ConnectUNC \r\n");
        return false;
    }
    return connected;
}

bool CNetPrinterList::ConnectUNCUnguarded(const std::string& path)
{
    (void)AddUNCPort(path);
    CPrinterHandle printer;
    const DWORD err = Spooler::OpenPrinter(path, 0, &printer);
    if (err != ERROR_SUCCESS)
    {
        m_log.WriteError(err, "Open Printer(%s)", path.c_str());
        ShowWarning("FIXED_UNC_ERROR", path);
        return false;
    }
    Spooler::CPrinterInfo2 info;
    std::string shared;
    if (info.Read(printer.Get()) == ERROR_SUCCESS && info.Info()->pDriverName)
    {
        shared = Upper(info.Info()->pDriverName);
    }
    for (const char* suffix : {" PCL 6", " PCL6", " PS"})
    {
        RemoveAll(shared, suffix);
    }
    shared = Trim(shared, " ");
    const std::string own = m_printers ? Upper(m_printers->GetDefaultPrinterCandidate()) : std::string();
    const bool match = !shared.empty() && own.find(shared) != std::string::npos;
    if (!match && !GetMessage("FIXED_PRINT_NOT_MACHED").empty() && !AskYesNo("FIXED_PRINT_NOT_MACHED", path))
    {
        return false;
    }
    (void)RemoveStoredPorts();
    return true;
}

std::string CNetPrinterList::StoredPortKey() const
{
    return m_context.installingKey + "\\Port";
}

bool CNetPrinterList::StorePort(const std::string& port)
{
    if (m_context.installingKey.empty())
    {
        return false;
    }
    const std::string key = StoredPortKey();
    DWORD count = 0;
    if (CRegistry::GetValue(key.c_str(), "NumOfNetPort", &count, HKEY_LOCAL_MACHINE) != ERROR_SUCCESS)
    {
        count = 0;
    }
    const std::string name = FormatText("NetPort_%lu", count);
    return CRegistry::SetValue(key.c_str(), name.c_str(), port.c_str(), HKEY_LOCAL_MACHINE) == ERROR_SUCCESS &&
           CRegistry::SetValue(key.c_str(), "NumOfNetPort", count + 1, HKEY_LOCAL_MACHINE) == ERROR_SUCCESS;
}

bool CNetPrinterList::RemoveStoredPorts()
{
    const std::string key = StoredPortKey();
    DWORD count = 0;
    if (m_context.installingKey.empty() ||
        CRegistry::GetValue(key.c_str(), "NumOfNetPort", &count, HKEY_LOCAL_MACHINE) != ERROR_SUCCESS)
    {
        return false;
    }
    for (DWORD i = 0; i < count; ++i)
    {
        char port[256] = {};
        const std::string name = FormatText("NetPort_%lu", i);
        if (CRegistry::GetValue(key.c_str(), name.c_str(), port, HKEY_LOCAL_MACHINE, sizeof(port)) == ERROR_SUCCESS)
        {
            (void)m_helpers.MyDelNetworkPort(port, m_settings.mutexName.c_str(), m_settings.noMonitor);
        }
    }
    return true;
}

std::string CNetPrinterList::FirewallService() const
{
    if (m_context.osCode == OS_WINXP)
    {
        return "SharedAccess";
    }
    return m_context.osCode == OS_VISTA ? "mpssvc" : std::string();
}

bool CNetPrinterList::StopFirewall()
{
    const std::string service = FirewallService();
    DWORD state = 0;
    if (!m_context.stopFirewall || service.empty() || m_calls.queryService(service.c_str(), &state) != ERROR_SUCCESS ||
        state != SERVICE_RUNNING)
    {
        return false;
    }
    return m_calls.stopService(service.c_str(), &state) == ERROR_SUCCESS;
}

void CNetPrinterList::RestoreFirewall()
{
    const std::string service = FirewallService();
    DWORD state = 0;
    if (!service.empty())
    {
        (void)m_calls.startService(service.c_str(), &state);
    }
}
