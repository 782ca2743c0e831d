#pragma once
// The printer manager: the list of printer queues that the printer items of this run create (ten at
// most), and the spooler steps that follow a driver installation (default printer, port, sharing,
// renaming, the driver INF copy), the enumeration of installed printers and the driver installer's
// command-line switches. Filled from the items by their owner; every spooler failure is logged and the
// step goes on with the next record.

#include <windows.h>
#include <winspool.h>

#include <functional>
#include <string>
#include <vector>

#include "log/Log.h"

class CInstallEnv;

// One printer queue that a printer item creates. Texts are cut at kMaxText characters when stored.
struct PRINTER_RECORD
{
    std::string driverName;                // also the queue name the driver installer creates
    std::string printerName;               // the final queue name
    std::string shareName;
    std::string infPath;                   // the item's destination INF path
    std::string portName;
    bool defaultPrinter = false;
    bool sharePrinter = false;
    bool installed = false;
    bool portValid = false;
    int position = -1;                     // index in the list; -1 when empty
    int itemIndex = -1;                    // index of the item in the item list; -1 when empty
};

// What the spooler steps need to know about the running system and the installation.
struct PrinterSystem
{
    int osCode = 0;
    int osClass = 0;
    std::string systemDir;                 // the Windows system directory
    std::string infDir;                    // the system INF directory
    std::string sourceDir;                 // the installer's source directory
    std::string destDir;                   // the installation destination directory ($DEST_INST_DIR$)
    std::string mfg;
    bool setSourcePath = false;            // SET_SOURCE_PATH
    bool wow64 = false;                    // a 32-bit installer on 64-bit Windows
};

class CMyPrinter
{
public:
    static constexpr int kMaxRecords = 10;
    static constexpr size_t kMaxText = 16383;
    static constexpr size_t kNameListSize = 16384;   // the NUL-separated name lists, terminators included
    static constexpr size_t kMaxPrinterName = 220;   // the longest queue name the spooler keeps

    explicit CMyPrinter(CLog& log);

    // The owner sets the system again when the options are read again (SET_SOURCE_PATH).
    static PrinterSystem SystemFrom(const CInstallEnv& env);
    void SetSystem(const PrinterSystem& system) { m_system = system; }
    const PrinterSystem& GetSystem() const { return m_system; }

    // In-memory list.
    void ClearList();
    // False when the list is full; the stored record's position is its index.
    bool AddRecord(const PRINTER_RECORD& record);
    int GetCount() const { return m_count; }
    // Positions outside 0..9 give an empty record / store nothing (false).
    PRINTER_RECORD GetRecord(int position) const;
    bool PutRecord(const PRINTER_RECORD& record);
    // The first record whose driver name equals the name (without regard to case) becomes installed.
    bool MarkInstalled(const std::string& driverName);
    void ClearPortValidFlags();
    // False for an empty port; logs "Set all printer port as %s , %d".
    bool SetPortOfAllPrinters(const std::string& port, bool valid);
    // The record of the item index (not -1); out-parameters are written only when one matches.
    bool GetPortForItem(int itemIndex, std::string* port) const;
    // The driver installer's switches: "INF" /M"mdl" /V"vidpid" /L"lang" /N"name" [/D] [/S"share"] /P"port".
    bool GetDriverInstallerSwitches(int itemIndex, const std::string& languageAbbr, const std::string& mdl,
                                    const std::string& vidPid, std::string* switches) const;
    // "INF" /U
    bool GetDriverUninstallerArgument(int itemIndex, std::string* argument) const;
    // The first record whose port equals oldPort (without regard to case) gets newPort.
    bool ReplacePort(const std::string& oldPort, const std::string& newPort);
    // The printer name of the first default-flagged record, else "".
    std::string GetDefaultPrinterName() const;
    // The driver name of the first default-flagged record, else the printer name of the first record.
    std::string GetDefaultPrinterCandidate() const;
    // The queue the installed printers have now: of the installed records (default-flagged ones first),
    // the first whose printer name, else driver name, is a local printer; "" when there is none.
    std::string GetCurrentPrinter() const;
    // The printer names of the installed records; -1 when they do not fit in kNameListSize.
    int GetInstalledPrinterNames(std::vector<std::string>* names) const;

    // Spooler enumeration.
    // The non-empty names of all local printers; -1 on an enumeration failure or when they do not fit.
    int GetPrintersInThisComputer(std::vector<std::string>* names) const;
    bool GetSystemDefaultPrinter(std::string* name) const;
    // True when an installed record's driver name or a local printer's name equals name but not driverName.
    bool IsNameInUse(const std::string& name, const std::string& driverName) const;
    // The spooler's port names without the COM ports; logs "EnumPorts" on failure.
    bool GetLocalPorts(std::vector<std::string>* ports) const;

    // Spooler steps.
    bool SetDefaultPrinter(const std::string& name);
    // Sets the last installed default-flagged record as default by its driver name (then copies its
    // INF) or by its printer name. False when there is none.
    bool DefaultPrinterStep(bool byDriverName);
    bool CopyPrinterInf(const std::string& infPath);
    bool IsInfSigned(const std::string& infPath) const;
    bool SetPortOfEachPrinter();
    bool SharePrinters();
    bool RenamePrinters();

    // The export names of the optional spooler and SetupAPI entries, for tests of their fallbacks.
    struct OptionalEntries
    {
        const char* setDefaultPrinter = "SetDefaultPrinterA";
        const char* getDefaultPrinter = "GetDefaultPrinterA";
        const char* setupCopyOemInf = "SetupCopyOEMInfA";
    };
    void SetOptionalEntries(const OptionalEntries& entries) { m_entries = entries; }

private:
    const PRINTER_RECORD* FindByItem(int itemIndex) const;
    bool SetDefaultBy9xAttribute(const std::string& name);
    bool SetDefaultByRegistry(const std::string& name);
    bool SetSourcePath(const std::string& infPath);
    bool CopyIntoInfDir(const std::string& infPath);
    bool ChangePrinter(const std::string& name, const std::function<void(PRINTER_INFO_2A&)>& change);

    CLog& m_log;
    PrinterSystem m_system;
    PRINTER_RECORD m_records[kMaxRecords];
    int m_count = 0;
    OptionalEntries m_entries;
};

// The file name and the folder (empty without one) of an inf path as the data file gives it: a forward
// slash separates as the backslash does, and a double-byte character is never cut.
std::string InfFileNameOf(const std::string& infPath);
std::string InfFolderOf(const std::string& infPath);
