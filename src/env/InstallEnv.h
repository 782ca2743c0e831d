#pragma once
// The installer's global state: its files and the four profiles every part reads the configuration
// through, the OPTION flags, the model identity, the registry key paths, the directories, the
// destination, port and IP address, the language and the helper-library table. Init reads it all at
// start-up; the setters and SetLanguage change it later. Owns its profiles, language record and
// helper-library table; not copyable, as the profiles' hooks refer to this object.

#include <windows.h>

#include <functional>
#include <string>

#include "base/HistoryRecorder.h"
#include "env/LanguageInfo.h"
#include "env/SystemPaths.h"
#include "external/ExternalFnt.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"

// The OPTION flags of the data file with their defaults.
struct InstallOptions
{
    bool usbOnly = false;                 // USB_ONLY
    bool network = false;                 // NETWORK
    bool wireless = false;                // WIRELESS
    bool deviceInstall = true;            // DEVICE_INSTALL
    bool showInstallError = false;        // SHOW_INST_ERROR
    bool rightAlign = false;              // RIGHT_ALIGN; always off where Windows has no right-to-left layout
    bool precreateDialogs = true;         // PRECREATE_DLG
    bool mainOnly = false;                // MAIN_ONLY
    bool autoPrinterCommand = false;      // AUTO_PRINTER_CMD
    bool setSourcePath = false;           // SET_SOURCE_PATH
    bool usePublicOid = false;            // USE_PUBLIC_OID
    bool useIpx = false;                  // USE_IPX
    bool stopFirewall = false;            // STOP_FIREWALL
    bool ovra = false;                    // OVRA
    bool ovraPresent = false;             // the data file has an OVRA key
};

class CInstallEnv
{
public:
    // A step another part runs on a language change: the wizard's window sequence of an interactive
    // change, the network printer list's reload of its texts.
    using LanguageStep = std::function<void()>;

    static constexpr const char* kDefaultProgramName = CLog::kDefaultProgramName;
    static constexpr size_t kIdentitySize = 260;             // the MFG, MDL and VIDPID buffers

    // programFile: the installer's program file, whose folder and name locate the data file; empty
    // for the running program's own file. The directories are read here.
    explicit CInstallEnv(CLog& log, const std::string& programFile = std::string());
    CInstallEnv(const CInstallEnv&) = delete;
    CInstallEnv& operator=(const CInstallEnv&) = delete;

    // The start-up sequence: files and profiles, version, options, model identity, registry key paths,
    // language, destination, helper libraries. False (logged) when the files or, unless MAIN_ONLY is on,
    // the model identity or key paths are missing.
    bool Init();
    // Opens the data, configuration, command and string profiles and finds the setting file.
    bool InitProfiles();
    // The full path a configuration text names, relative to the source directory. With mustExist a
    // file that cannot be read gives "" and the line "(%s) file does not exist.".
    std::string ResolvePath(const std::string& text, bool mustExist) const;
    // Reads the OPTION flags (the most specific OPTION section first, then OPTION) and logs each.
    void ReadOptions(const CConfigProfile& profile);
    // MFG, MDL, VIDPID and PROGRAM_NAME of PROGRAM_INFO; false when one of the first three is missing.
    bool ReadModelInfo(const CConfigProfile& profile);
    // The five key paths from MFG and PROGRAM_NAME; false (paths emptied) when either is empty or
    // longer than a registry key name may be (255 characters).
    bool BuildRegistryKeys();
    // Destination, its directories, the default port, the OS define string and OS directory.
    // False when the destination directory cannot be created.
    bool InitDestination();

    // A new destination (empty: back to the initial one). The old directory chain is removed as far
    // as it is empty, the new one recorded under the Installing key and created.
    void SetDestination(const std::string& path);
    // A port (empty: the default port of the data file and the spooler).
    void SetPort(const std::string& port);
    void SetIp(const std::string& ip);
    void SetPrinterInstalled(bool installed);
    // Asks the utility library for the device's port. True when the device is connected (and, with
    // requireLpt, its port is a parallel port).
    bool CheckDevicePort(bool requireLpt);
    // The first port the connected printer reports (as CheckDevicePort asks); false when none is connected.
    bool FindDevicePort(std::string* port);

    // Switches the language (0: the installed language, else the system's) and applies its string
    // file, configuration file and options. An interactive change to the language already requested
    // does nothing. Always true.
    bool SetLanguage(WORD id, bool interactive);
    // Selects the string file of the abbreviation (the English one when it is missing) and the
    // language's configuration file, and reloads every messages document from the string file.
    void ApplyStringFile(const std::string& abbr);

    // Replaces the $NAME$ macro variables by the environment's current values; 0 and "" mean the
    // current language.
    std::string ExpandMacros(const std::string& text, WORD langId = 0, const std::string& langAbbr = "",
                             const std::string& langDir = "") const;

    // Each destination directory the environment creates is reported to the recorder as a directory
    // (kHistoryDirectory), outermost first, so that uninstall removes it again; without a recorder
    // nothing is recorded. Set it before Init: Init creates the first destination (the key paths,
    // and so the Installing history root, are known by then). Without a window sequence (the wizard's) an interactive language change
    // ends after the options are read again.
    void SetHistoryRecorder(HistoryRecorder recorder) { m_historyRecorder = std::move(recorder); }
    void SetLanguageWindowSequence(LanguageStep sequence) { m_languageWindowSequence = std::move(sequence); }
    void SetNetworkTextsReloader(LanguageStep reload) { m_reloadNetworkTexts = std::move(reload); }

    // Remote-install preparation: while on, the four profiles hand out texts without macro expansion.
    void SetRemoteInstallPreparation(bool on);
    bool IsRemoteInstallPreparation() const { return m_remoteInstallPreparation; }
    // The driver items switch OVRA on when the data file does not set it (a PCL driver needs it).
    void SetOvraOption(bool on) { m_options.ovra = on; }
    void SetInstalled(bool installed) { m_installed = installed; }
    bool IsInstalled() const { return m_installed; }
    void SetPortFromCommandLine(bool fromCommandLine) { m_portFromCommandLine = fromCommandLine; }
    bool IsPortFromCommandLine() const { return m_portFromCommandLine; }

    // Program.
    const std::string& GetVersion() const { return m_version; }
    const std::string& GetApplicationName() const { return m_applicationName; }
    const std::string& GetInstallerFileName() const { return m_installerFileName; }
    const std::string& GetSourceDir() const { return m_sourceDir; }
    CExternalFnt& GetExternalFnt() { return m_externalFnt; }
    const CExternalFnt& GetExternalFnt() const { return m_externalFnt; }
    const InstallOptions& GetOptions() const { return m_options; }
    int GetOsCode() const { return m_osCode; }
    int GetOsClass() const { return m_osClass; }

    // Files and profiles.
    CConfigProfile& GetDataProfile() { return m_dataProfile; }
    CConfigProfile& GetConfigProfile() { return m_configProfile; }
    CConfigProfile& GetCommandProfile() { return m_commandProfile; }
    CConfigProfile& GetStringProfile() { return m_stringProfile; }
    const CConfigProfile& GetDataProfile() const { return m_dataProfile; }
    const CConfigProfile& GetConfigProfile() const { return m_configProfile; }
    const CConfigProfile& GetCommandProfile() const { return m_commandProfile; }
    const CConfigProfile& GetStringProfile() const { return m_stringProfile; }
    const std::string& GetDataFile() const { return m_dataFile; }
    const std::string& GetConfigFile() const { return m_configFile; }
    const std::string& GetCommandFile() const { return m_commandFile; }
    const std::string& GetStringFileFormat() const { return m_stringFileFormat; }
    const std::string& GetStringFile() const { return m_stringFile; }
    const std::string& GetStringFileName() const { return m_stringFileName; }
    const std::string& GetSystemStringFile() const { return m_systemStringFile; }
    const std::string& GetSettingFile() const { return m_settingFile; }
    const CLanguageInfo& GetLanguage() const { return m_language; }

    // Directories.
    const std::string& GetWindowsDir() const { return m_dirs.windowsDir; }
    const std::string& GetSystemDir() const { return m_dirs.systemDir; }
    const std::string& GetInfDir() const { return m_dirs.infDir; }
    const std::string& GetProgramFilesDir() const { return m_dirs.programFilesDir; }
    const std::string& GetTempDir() const { return m_dirs.tempDir; }
    bool IsWindows64() const { return m_dirs.windows64; }

    // Model identity and registry key paths (under HKEY_LOCAL_MACHINE).
    const std::string& GetMfg() const { return m_mfg; }
    const std::string& GetMdl() const { return m_mdl; }
    const std::string& GetVidPid() const { return m_vidPid; }
    const std::string& GetProgramName() const { return m_programName; }
    const std::string& GetInstallingKey() const { return m_installingKey; }
    const std::string& GetInstallingHistoryKey() const { return m_installingHistoryKey; }
    const std::string& GetInstalledKey() const { return m_installedKey; }
    const std::string& GetInstalledHistoryKey() const { return m_installedHistoryKey; }
    const std::string& GetUninstallInfoKey() const { return m_uninstallInfoKey; }

    // Destination.
    const std::string& GetDestDir() const { return m_destDir; }
    const std::string& GetInitialDestDir() const { return m_initialDestDir; }
    const std::string& GetDestInstallDir() const { return m_destInstallDir; }
    const std::string& GetOsDefine() const { return m_osDefine; }
    const std::string& GetOsDir() const { return m_osDir; }
    const std::string& GetPort() const { return m_port; }
    const std::string& GetIp() const { return m_ip; }
    bool IsPrinterInstalled() const { return m_printerInstalled; }
    bool IsDeviceFound() const { return m_deviceFound; }
    // The copies handed to helper-library entries, each at most kIdentitySize - 1 characters.
    const char* GetMfgBuffer() const { return m_mfgBuffer; }
    const char* GetMdlBuffer() const { return m_mdlBuffer; }
    const char* GetVidPidBuffer() const { return m_vidPidBuffer; }

private:
    void ConnectProfiles();
    void LocateProgram();
    void ReadVersion();
    std::string ReadFileKey(const char* key, const char* defaultValue) const;
    std::string ChooseConfigFile(const std::string& abbr) const;
    std::string ChooseDestination() const;
    DWORD CreateDestination() const;
    std::string DefaultPort() const;
    void DetermineOsDefinition();
    void LoadHelperLibraries();
    void WriteInstallingValue(const char* name, const std::string& text) const;
    void WriteInstallingValue(const char* name, DWORD value) const;

    CLog& m_log;
    std::string m_programFile;

    // Program.
    std::string m_version;
    std::string m_applicationName;
    std::string m_installerFileName;
    std::string m_sourceDir;
    bool m_installed = false;
    bool m_portFromCommandLine = false;
    CExternalFnt m_externalFnt;
    InstallOptions m_options;
    bool m_remoteInstallPreparation = false;
    int m_osCode = 0;
    int m_osClass = 0;

    // Files.
    CConfigProfile m_dataProfile;
    CConfigProfile m_configProfile;
    CConfigProfile m_commandProfile;
    CConfigProfile m_stringProfile;
    std::string m_dataFile;
    std::string m_configFile;
    std::string m_commandFile;
    std::string m_stringFileFormat;
    std::string m_stringFile;
    std::string m_stringFileName;
    std::string m_systemStringFile;
    std::string m_settingFile;
    CLanguageInfo m_language;

    SystemDirectories m_dirs;

    // Model and registry.
    std::string m_mfg;
    std::string m_mdl;
    std::string m_vidPid;
    std::string m_programName = kDefaultProgramName;
    std::string m_installingKey;
    std::string m_installingHistoryKey;
    std::string m_installedKey;
    std::string m_installedHistoryKey;
    std::string m_uninstallInfoKey;

    // Destination.
    std::string m_destDir;
    std::string m_initialDestDir;
    std::string m_destInstallDir;
    std::string m_osDefine;
    std::string m_osDir;
    std::string m_port;
    std::string m_ip;
    bool m_printerInstalled = false;
    bool m_deviceFound = false;
    char m_mfgBuffer[kIdentitySize] = {};
    char m_mdlBuffer[kIdentitySize] = {};
    char m_vidPidBuffer[kIdentitySize] = {};

    HistoryRecorder m_historyRecorder;
    LanguageStep m_languageWindowSequence;
    LanguageStep m_reloadNetworkTexts;
};
