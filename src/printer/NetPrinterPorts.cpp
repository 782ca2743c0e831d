// The ports of the network printer list: the monitor files a TCP/IP port needs, TCP/IP and UNC ports,
// and the record of the ports a run created under the Installing key.
#include "printer/NetPrinterList.h"

#include <algorithm>

#include "base/PathText.h"
#include "base/Text.h"
#include "base/TextRules.h"
#include "env/Platform.h"
#include "external/FaultGuard.h"
#include "printer/MyPrinter.h"
#include "printer/NetPlatform.h"
#include "printer/Spooler.h"
#include "registry/Registry.h"

namespace
{
void RemoveAll(std::string& text, const std::string& part)
{
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at))
    {
        text.erase(at, part.size());
    }
}
}  // namespace

std::string CNetPrinterList::MonitorFileName() const
{
    return PathText::NamePart(m_settings.monitorFile, IsSystemLeadByte);
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
        const std::string target = m_context.systemDir + "\\" + PathText::NamePart(*file, IsSystemLeadByte);
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
                       [&](const std::string& each) { return EqualsSystemNoCase(each, port); });
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
        shared = SystemUpper(info.Info()->pDriverName);
    }
    for (const char* suffix : {" PCL 6", " PCL6", " PS"})
    {
        RemoveAll(shared, suffix);
    }
    shared = Trim(shared, " ");
    const std::string own = m_printers ? SystemUpper(m_printers->GetDefaultPrinterCandidate()) : std::string();
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
