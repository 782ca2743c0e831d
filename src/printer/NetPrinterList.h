#pragma once
// The network printer list: finds the product's printers on the network (through the network helper
// libraries) and the product's local ports, checks that the printer at an address is one of the
// product's models, and creates the port an install uses: a TCP/IP port through the network-manager
// helper, or a local port named by a UNC path. Ports created in a run are remembered under the
// Installing key so that they can be removed again. Every failure ends in false, logged and, where
// the user must know, shown in a message box.

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "external/ExternalFnt.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"

class CInstallEnv;
class CMyPrinter;

// One printer found on the network, or one local port of the device.
struct NET_PRINTER_RECORD
{
    std::string name;                      // model name (network) or "MFG MDL" (local)
    std::string address;                   // IP address (network) or the port name (local)
    std::string hardwareAddress;           // the MAC address as hexadecimal text
    std::string subnetMask;
    std::string gateway;
    bool network = false;                  // a port must be created for it
    bool valid = false;                    // passed the model check (always for local ports)
};

// The network definition of the data file.
struct NetPrinterSettings
{
    std::vector<std::string> modelIds;     // NET_ID_STRING, at most kMaxModelIds
    std::string monitorFile;
    std::string monitorName;
    std::string snmpFile;
    std::vector<std::string> copySections; // COPY_FILE
    std::string mutexName;
    bool noMonitor = false;                // no monitor file for this system
};

// What the list needs to know about the installation and the running system.
struct NetPrinterContext
{
    int osCode = 0;
    int osClass = 0;
    std::string osDefine;
    std::string systemDir;
    std::string mfg;
    std::string mdl;
    std::string vidPid;
    std::string installingKey;             // under HKEY_LOCAL_MACHINE
    std::string programName;               // the caption of every message box
    bool usePublicOid = false;             // USE_PUBLIC_OID
    bool useIpx = false;                   // USE_IPX
    bool stopFirewall = false;             // STOP_FIREWALL
    bool remoteInstallPreparation = false;
};

// The platform calls behind UNC ports and the firewall service. Each answers a Windows error code;
// tests supply the answers the platform under test cannot give.
struct NetPlatformCalls
{
    std::function<DWORD(const std::string& path, HWND owner)> addConnection;       // WNetAddConnection3A
    std::function<DWORD(const std::string& path)> addPortEx;                        // AddPortExW, "Local Port"
    std::function<DWORD(const std::string& path, DWORD* status)> xcvAddPort;       // XcvDataW "AddPort"
    std::function<DWORD(const char* service, DWORD* state)> queryService;
    std::function<DWORD(const char* service, DWORD* state)> stopService;
    std::function<DWORD(const char* service, DWORD* state)> startService;
};

class CNetPrinterList
{
public:
    static constexpr size_t kMaxModelIds = 10;
    static constexpr size_t kEntrySize = 65;             // one printer entry of the search helper
    static constexpr int kMatch = 0;
    static constexpr int kNotOurModel = 3;
    static constexpr const char* kDefaultMutexName = "TarnixInstallerMutex";

    // printers gives the product's own driver name for the UNC driver check; may be null.
    CNetPrinterList(CLog& log, const CExternalFnt& helpers, const CMyPrinter* printers);

    // The owner sets the context again whenever the environment changes (remote-install preparation,
    // the options read again after a language change).
    static NetPrinterContext ContextFrom(const CInstallEnv& env);
    void SetContext(const NetPrinterContext& context) { m_context = context; }
    void SetOwner(HWND owner) { m_owner = owner; }
    // Runs one copy section (CT_COPY_FILE) synchronously; without one, the copy sections are skipped.
    void SetCopySectionRunner(std::function<void(const std::string& section)> runner);
    void SetPlatformCalls(const NetPlatformCalls& calls) { m_calls = calls; }

    // Reads the network definition from the section, with the context's OS define string for the
    // OS-keyed keys; false only when a monitor file has no name.
    bool Load(const CConfigProfile& data, const char* section);
    // Reads the message texts of COMMON_MESSAGES (language-resolved); a missing key leaves
    // "[COMMON_MESSAGES]\r\n" and its name.
    void LoadMessages(const CConfigProfile& config);
    const std::string& GetMessage(const char* key) const;

    // Builds the found-printer table; true when it holds at least one record.
    bool SearchPrinter();
    // 0 match, 3 not one of the product's models, else the helper's answer (4096: helper missing).
    int CheckIP(const std::string& address, bool showErrors, bool quiet);
    bool PrepareMonitor();
    bool CreatePortForRecord(int index, std::string* port);
    bool CreateTcpIpPort(const std::string& port, const std::string& address, const std::string& extra);
    bool SetTcpIpPort(const std::string& address, const std::string& port, bool quiet);
    bool AddUNCPort(const std::string& path);
    bool ConnectUNC(const std::string& path);
    bool StorePort(const std::string& port);
    bool RemoveStoredPorts();
    // True only when this call stopped the running firewall service.
    bool StopFirewall();
    void RestoreFirewall();

    const NetPrinterSettings& GetSettings() const { return m_settings; }
    const std::vector<NET_PRINTER_RECORD>& GetRecords() const { return m_records; }
    int GetCount() const { return m_count; }
    size_t GetCapacity() const { return m_records.size(); }
    bool IsFound() const { return m_found; }

private:
    bool ConnectUNCUnguarded(const std::string& path);
    enum ConnectResult
    {
        kNotConnected = 0,
        kAlreadyConnected = 1,
        kConnected = 2,
    };

    void AppendNetworkPrinters();
    void AppendLocalPorts();
    ConnectResult AddConnection(const std::string& path);
    bool AddLocalPortNt4(const std::string& path);
    bool AddLocalPortNt5(const std::string& path);
    bool PortExists(const std::string& port) const;
    std::string MonitorFileName() const;
    std::string FirewallService() const;
    std::string StoredPortKey() const;
    void ShowWarning(const char* key, const std::string& argument) const;
    bool AskYesNo(const char* key, const std::string& argument) const;

    CLog& m_log;
    const CExternalFnt& m_helpers;
    const CMyPrinter* m_printers;
    NetPrinterContext m_context;
    NetPrinterSettings m_settings;
    std::vector<std::pair<std::string, std::string>> m_messages;
    std::function<void(const std::string&)> m_copySection;
    NetPlatformCalls m_calls;
    HWND m_owner = nullptr;

    std::vector<NET_PRINTER_RECORD> m_records;
    int m_count = 0;
    bool m_found = false;
};

// Decodes one 65-byte entry of the search helper; the model name is cut at 20 characters.
NET_PRINTER_RECORD DecodeNetPrinterEntry(const BYTE* entry);
// Puts argument in place of the first "%s" of a message text; any other "%" stays as it is.
std::string FormatMessageText(const std::string& text, const std::string& argument);
// True for a dotted IPv4 address of four parts from 0 to 255.
bool IsIpAddressText(const std::string& text);
