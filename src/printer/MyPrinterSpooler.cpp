// The printer manager's spooler enumerations and the steps that follow a driver installation.

#include "printer/MyPrinter.h"

#include <setupapi.h>

#include <algorithm>

#include "base/APIFunction.h"
#include "base/PathText.h"
#include "base/Text.h"
#include "base/TextRules.h"
#include "command/CopyFile.h"
#include "env/FileSystem.h"
#include "env/InstallEnv.h"
#include "env/Platform.h"
#include "env/SourceMedia.h"
#include "printer/Spooler.h"

namespace
{
constexpr DWORD kDefaultAttribute = PRINTER_ATTRIBUTE_DEFAULT;   // 4
constexpr DWORD kSharedAttribute = PRINTER_ATTRIBUTE_SHARED;     // 8
constexpr const char* kDevicesKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";

// The inf path of a data file may use forward slashes (a forward slash is never the second byte of a
// double-byte character).
std::string WithBackslashes(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// A queue name the spooler would refuse or keep only in part: a rename to it is not tried, so that
// nothing is changed half-way.
bool IsAcceptablePrinterName(const std::string& name)
{
    return !name.empty() && name.size() <= CMyPrinter::kMaxPrinterName && name.find_first_of("\\,") == std::string::npos;
}

FARPROC LookUp(const char* library, const char* entry)
{
    HMODULE module = ::GetModuleHandleA(library);
    if (!module)
    {
        module = LoadSystemLibrary(library);   // stays loaded for the process: the spooler's own library
    }
    return module ? ::GetProcAddress(module, entry) : nullptr;
}

template <typename T>
T EntryAs(FARPROC entry)
{
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(entry));
}

// Adds the name with its terminator when it fits in the list's room; false when it does not.
bool AppendName(std::vector<std::string>& names, size_t& used, const std::string& name)
{
    if (used + name.size() + 1 > CMyPrinter::kNameListSize)
    {
        return false;
    }
    used += name.size() + 1;
    names.push_back(name);
    return true;
}
}  // namespace

std::string InfFileNameOf(const std::string& infPath)
{
    return PathText::NamePart(WithBackslashes(infPath), IsSystemLeadByte);
}

std::string InfFolderOf(const std::string& infPath)
{
    return PathText::DirectoryPart(WithBackslashes(infPath), IsSystemLeadByte);
}

PrinterSystem CMyPrinter::SystemFrom(const CInstallEnv& env)
{
    PrinterSystem system;
    system.osCode = env.GetOsCode();
    system.osClass = env.GetOsClass();
    system.systemDir = env.GetSystemDir();
    system.infDir = env.GetInfDir();
    system.sourceDir = env.GetSourceDir();
    system.destDir = env.GetDestInstallDir();
    system.mfg = env.GetMfg();
    system.setSourcePath = env.GetOptions().setSourcePath;
    system.wow64 = env.IsWindows64() && sizeof(void*) == 4;   // a 32-bit installer on 64-bit Windows
    return system;
}

int CMyPrinter::GetPrintersInThisComputer(std::vector<std::string>* names) const
{
    std::vector<Spooler::LocalPrinter> printers;
    if (Spooler::EnumLocalPrinters(&printers) != ERROR_SUCCESS)
    {
        return -1;
    }
    std::vector<std::string> found;
    size_t used = 0;
    for (const Spooler::LocalPrinter& printer : printers)
    {
        if (!printer.name.empty() && !AppendName(found, used, printer.name))
        {
            return -1;
        }
    }
    *names = found;
    return static_cast<int>(found.size());
}

bool CMyPrinter::GetSystemDefaultPrinter(std::string* name) const
{
    using GetDefaultFn = BOOL(WINAPI*)(LPSTR, LPDWORD);
    if (FARPROC entry = LookUp("winspool.drv", m_entries.getDefaultPrinter))
    {
        char buffer[MAX_PATH + 1] = {};
        DWORD size = sizeof(buffer);
        if (!EntryAs<GetDefaultFn>(entry)(buffer, &size))
        {
            return false;
        }
        *name = buffer;
        return true;
    }
    std::vector<Spooler::LocalPrinter> printers;
    if (Spooler::EnumLocalPrinters(&printers) != ERROR_SUCCESS)
    {
        return false;
    }
    for (const Spooler::LocalPrinter& printer : printers)
    {
        if (printer.attributes & kDefaultAttribute)
        {
            *name = printer.name;
            return true;
        }
    }
    return false;
}

std::string CMyPrinter::GetCurrentPrinter() const
{
    std::vector<Spooler::LocalPrinter> printers;
    if (Spooler::EnumLocalPrinters(&printers) != ERROR_SUCCESS)
    {
        return std::string();
    }
    const auto exists = [&printers](const std::string& name) {
        return !name.empty() && std::any_of(printers.begin(), printers.end(), [&name](const Spooler::LocalPrinter& p) {
                   return EqualsSystemNoCase(p.name, name);
               });
    };
    // Before the rename step a queue still carries the driver's name.
    for (bool defaultOnes : {true, false})
    {
        for (int i = 0; i < m_count; ++i)
        {
            const PRINTER_RECORD& record = m_records[i];
            if (!record.installed || record.defaultPrinter != defaultOnes)
            {
                continue;
            }
            if (exists(record.printerName))
            {
                return record.printerName;
            }
            if (exists(record.driverName))
            {
                return record.driverName;
            }
        }
    }
    return std::string();
}

bool CMyPrinter::IsNameInUse(const std::string& name, const std::string& driverName) const
{
    auto clashes = [&](const std::string& queue) {
        return EqualsSystemNoCase(queue, name) && !EqualsSystemNoCase(queue, driverName);
    };
    for (int i = 0; i < m_count; ++i)
    {
        if (m_records[i].installed && clashes(m_records[i].driverName))
        {
            return true;
        }
    }
    std::vector<Spooler::LocalPrinter> printers;
    if (Spooler::EnumLocalPrinters(&printers) != ERROR_SUCCESS)
    {
        return false;
    }
    for (const Spooler::LocalPrinter& printer : printers)
    {
        if (clashes(printer.name))
        {
            return true;
        }
    }
    return false;
}

bool CMyPrinter::GetLocalPorts(std::vector<std::string>* ports) const
{
    std::vector<std::string> all;
    const DWORD err = Spooler::EnumPortNames(&all);
    if (err != ERROR_SUCCESS)
    {
        m_log.WriteError(err, "EnumPorts");
        return false;
    }
    std::vector<std::string> found;
    for (const std::string& port : all)
    {
        if (SystemUpper(port).find("COM") == std::string::npos)
        {
            found.push_back(port);
        }
    }
    *ports = found;
    return true;
}

bool CMyPrinter::SetDefaultBy9xAttribute(const std::string& name)
{
    return ChangePrinter(name, [](PRINTER_INFO_2A& info) { info.Attributes |= kDefaultAttribute; });
}

// The way of Windows NT 4: the printer's device entry of the current user, written as the "Device" of
// the system profile's "Windows" section.
bool CMyPrinter::SetDefaultByRegistry(const std::string& name)
{
    std::string device;
    if (ReadRegistryText(HKEY_CURRENT_USER, kDevicesKey, name.c_str(), device) != ERROR_SUCCESS || device.empty())
    {
        return false;
    }
    const std::string value = name + "," + device;
    return ::WriteProfileStringA("Windows", "Device", value.c_str()) != FALSE;
}

bool CMyPrinter::SetDefaultPrinter(const std::string& name)
{
    if (name.empty())
    {
        return false;
    }
    bool done = false;
    if (m_system.osClass == OSCLASS_9X)
    {
        done = SetDefaultBy9xAttribute(name);
    }
    else if (m_system.osClass == OSCLASS_NT4)
    {
        done = SetDefaultByRegistry(name);
    }
    else if (m_system.osClass == OSCLASS_NT5)
    {
        using SetDefaultFn = BOOL(WINAPI*)(LPCSTR);
        FARPROC entry = LookUp("winspool.drv", m_entries.setDefaultPrinter);
        done = entry && EntryAs<SetDefaultFn>(entry)(name.c_str());
        if (!done)
        {
            done = SetDefaultByRegistry(name);
        }
    }
    if (!done)
    {
        m_log.Write("Set Default Printer (%s) fail", name.c_str());
        return false;
    }
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Windows"),
                          SMTO_ABORTIFHUNG, 1000, &result);
    m_log.Write("Set Default Printer (%s) Success", name.c_str());
    return true;
}

bool CMyPrinter::DefaultPrinterStep(bool byDriverName)
{
    const PRINTER_RECORD* chosen = nullptr;
    for (int i = 0; i < m_count; ++i)
    {
        if (m_records[i].defaultPrinter && m_records[i].installed)
        {
            chosen = &m_records[i];
        }
    }
    if (!chosen)
    {
        return false;
    }
    if (!byDriverName)
    {
        return SetDefaultPrinter(chosen->printerName);
    }
    const bool done = SetDefaultPrinter(chosen->driverName);
    (void)CopyPrinterInf(chosen->infPath);
    return done;
}

bool CMyPrinter::CopyIntoInfDir(const std::string& infPath)
{
    if (m_system.infDir.empty())
    {
        return false;                                            // never into the root of a drive
    }
    CCopyFile copy(m_log, m_system.osClass);
    const std::string target = m_system.infDir + "\\" + InfFileNameOf(infPath);
    return copy.CopyFile(infPath.c_str(), target.c_str(), false);
}

bool CMyPrinter::CopyPrinterInf(const std::string& infPath)
{
    if (infPath.empty())
    {
        return false;
    }
    if (m_system.osClass != OSCLASS_NT5)
    {
        return CopyIntoInfDir(infPath);
    }
    if (IsInfSigned(infPath))
    {
        std::string path = infPath;
        const size_t at = m_system.sourceDir.empty() ? std::string::npos
                                                     : SystemUpper(path).find(SystemUpper(m_system.sourceDir));
        if (at != std::string::npos)
        {
            path.replace(at, m_system.sourceDir.size(), m_system.destDir);
        }
        using CopyOemInfFn = BOOL(WINAPI*)(PCSTR, PCSTR, DWORD, DWORD, PSTR, DWORD, PDWORD, PSTR*);
        FARPROC entry = LookUp("setupapi.dll", m_entries.setupCopyOemInf);
        if (!entry)
        {
            return false;
        }
        char result[MAX_PATH] = {};
        if (EntryAs<CopyOemInfFn>(entry)(path.c_str(), nullptr, SPOST_PATH, SP_COPY_NOOVERWRITE, result,
                                          sizeof(result), nullptr, nullptr))
        {
            return true;
        }
        return ::GetLastError() == ERROR_FILE_EXISTS;
    }
    if (m_system.osCode == OS_WIN2000)
    {
        return CopyIntoInfDir(infPath);
    }
    return m_system.setSourcePath ? SetSourcePath(infPath) : true;
}

bool CMyPrinter::IsInfSigned(const std::string& infPath) const
{
    CAPIFunction api;
    (void)api.Load();
    HINF inf = api.SetupOpenInfFileA(infPath.c_str(), "Printer", INF_STYLE_WIN4, nullptr);
    if (inf == INVALID_HANDLE_VALUE)
    {
        m_log.WriteError(::GetLastError(), "Check Inf fail!!  [OpenInf(%s)]", infPath.c_str());
        return false;
    }
    char catalog[MAX_PATH + 1] = {};
    DWORD needed = 0;
    const bool hasCatalog = api.SetupGetLineTextA(nullptr, inf, "Version", "CatalogFile", catalog, MAX_PATH,
                                                  &needed) && catalog[0] != '\0';
    (void)api.SetupCloseInfFile(inf);
    const std::string catalogPath = InfFolderOf(infPath) + "\\" + catalog;
    const bool isSigned = hasCatalog && SystemCheck::FileExists(catalogPath.c_str());
    m_log.Write(isSigned ? "[%s] inf is signed" : "[%s] inf is unsigned", infPath.c_str());
    return isSigned;
}

bool CMyPrinter::SetSourcePath(const std::string& infPath)
{
    if (m_system.systemDir.empty() || m_system.mfg.empty())
    {
        return false;
    }
    const std::string driverDir = m_system.systemDir + "\\drivers\\" + m_system.mfg;
    CCopyFile copy(m_log, m_system.osClass);
    if (!copy.CopyDirectory(InfFolderOf(infPath).c_str(), driverDir.c_str(), true, false))
    {
        m_log.Write("copy directory fail!! [%s]", driverDir.c_str());
        return false;
    }
    (void)CopyIntoInfDir(infPath);
    const DWORD err = SystemCheck::SetSetupSourcePath(driverDir.c_str(), m_system.wow64);
    if (err != ERROR_SUCCESS)
    {
        m_log.WriteError(err, "Set Source Path fail!! [%s]", driverDir.c_str());
        return false;
    }
    return true;
}

// Opens the queue with full access, reads its level-2 information, lets change alter it and writes it
// back. A failing call is logged as "OpenPrinter (%s)", "GetPrinter (%s)" or "SetPrinter (%s)".
bool CMyPrinter::ChangePrinter(const std::string& name, const std::function<void(PRINTER_INFO_2A&)>& change)
{
    CPrinterHandle printer;
    DWORD err = Spooler::OpenPrinter(name, PRINTER_ALL_ACCESS, &printer);
    if (err != ERROR_SUCCESS)
    {
        m_log.WriteError(err, "OpenPrinter (%s)", name.c_str());
        return false;
    }
    Spooler::CPrinterInfo2 info;
    err = info.Read(printer.Get());
    if (err != ERROR_SUCCESS)
    {
        m_log.WriteError(err, "GetPrinter (%s)", name.c_str());
        return false;
    }
    change(*info.Info());
    err = info.Write(printer.Get());
    if (err != ERROR_SUCCESS)
    {
        m_log.WriteError(err, "SetPrinter (%s)", name.c_str());
        return false;
    }
    return true;
}

bool CMyPrinter::SetPortOfEachPrinter()
{
    bool allDone = true;
    for (int i = 0; i < m_count; ++i)
    {
        const PRINTER_RECORD& record = m_records[i];
        if (!record.portValid)
        {
            continue;
        }
        std::string port = record.portName;
        const bool done = !port.empty() &&
                          ChangePrinter(record.driverName, [&](PRINTER_INFO_2A& info) { info.pPortName = &port[0]; });
        if (done)
        {
            m_log.Write("Set %s Printer port as %s successfully!", record.driverName.c_str(), port.c_str());
        }
        else
        {
            m_log.Write("Set %s printer port to %s => fail", record.driverName.c_str(), port.c_str());
            allDone = false;
        }
    }
    return allDone;
}

bool CMyPrinter::SharePrinters()
{
    bool allDone = true;
    for (int i = 0; i < m_count; ++i)
    {
        const PRINTER_RECORD& record = m_records[i];
        if (!record.sharePrinter || !record.installed || record.shareName.empty())
        {
            continue;
        }
        std::string share = record.shareName;
        const bool done = ChangePrinter(record.driverName, [&](PRINTER_INFO_2A& info) {
            info.pShareName = &share[0];
            info.Attributes |= kSharedAttribute;
        });
        if (done)
        {
            m_log.Write("Share %s Printer with %s share name successfully!", record.driverName.c_str(),
                        share.c_str());
        }
        allDone = allDone && done;
    }
    return allDone;
}

bool CMyPrinter::RenamePrinters()
{
    bool allDone = true;
    for (int i = 0; i < m_count; ++i)
    {
        const PRINTER_RECORD& record = m_records[i];
        if (!record.installed || record.printerName.empty() || EqualsSystemNoCase(record.driverName, record.printerName))
        {
            continue;
        }
        std::string name = record.printerName;
        bool done = false;
        if (!IsAcceptablePrinterName(name))
        {
            m_log.WriteError(ERROR_INVALID_PRINTER_NAME, "SetPrinter (%s)", name.c_str());
        }
        else
        {
            done = ChangePrinter(record.driverName, [&](PRINTER_INFO_2A& info) { info.pPrinterName = &name[0]; });
        }
        if (done)
        {
            m_log.Write("Set %s Printer name as %s successfully!", record.driverName.c_str(), name.c_str());
        }
        allDone = allDone && done;
    }
    return allDone;
}
