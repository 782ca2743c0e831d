#include "env/InstallEnv.h"

#include <optional>
#include <utility>
#include <vector>

#include "base/PathText.h"
#include "base/Text.h"
#include "base/TextRules.h"
#include "base/WaitCursor.h"
#include "env/FileSystem.h"
#include "env/InstallPaths.h"
#include "env/Macros.h"
#include "env/Platform.h"
#include "log/Log.h"
#include "profile/ProfilePlatform.h"
#include "registry/Registry.h"

namespace
{
const char kFileInfoSection[] = "INSTALLER_FILE_INFO";
const char kProgramInfoSection[] = "PROGRAM_INFO";
const char kOptionSection[] = "OPTION";
const char kOsDefineSection[] = "OS_DEFINE";
const char kOsDirSection[] = "OS_DIR";
const char kDefaultConfigFile[] = ".\\data\\kvinst.kvi";
const char kDefaultCommandFile[] = ".\\data\\kvinst.cmd";
const char kDefaultStringFileFormat[] = ".\\data\\String\\Lang_%s.str";
const char kDefaultSettingFile[] = ".\\Config.ini";
const char kStartLanguage[] = "EN";
const size_t kMaxKeyNameLength = 255;                     // one piece of a registry key path
const DWORD kSectionNameSize = 256;
const int kRegistryTextSize = 4096;

// One OPTION flag: its key, its field and its two log texts. Keys whose absence means "off" log the
// off text when missing; the others log nothing then and keep their default.
struct OptionKey
{
    const char* key;
    bool InstallOptions::*flag;
    bool logWhenMissing;
    const char* onText;
    const char* offText;
};

const OptionKey kOptionKeys[] = {
    {"USB_ONLY", &InstallOptions::usbOnly, true, "USB ONLY Option is ON", "USB ONLY Option is OFF"},
    {"NETWORK", &InstallOptions::network, true, "NETWORK Option is ON", "NETWORK Option is OFF"},
    {"WIRELESS", &InstallOptions::wireless, true, "WIRELESS Option is ON", "WIRELESS Option is OFF"},
    {"DEVICE_INSTALL", &InstallOptions::deviceInstall, false, "INSTALL DEVICE Option is ON",
     "INSTALL DEVICE Option is OFF"},
    {"SHOW_INST_ERROR", &InstallOptions::showInstallError, false, "SHOW INSTALL ERROR Option is ON",
     "SHOW INSTALL ERROR Option is OFF"},
    {"RIGHT_ALIGN", &InstallOptions::rightAlign, true, "RIGHT ALIGN Option is ON", "RIGHT ALIGN Option is OFF"},
    {"PRECREATE_DLG", &InstallOptions::precreateDialogs, false, "PRECREATE DIALOG option is ON",
     "PRECREATE DIALOG option is OFF"},
    {"MAIN_ONLY", &InstallOptions::mainOnly, false, "JUST MAIN option is ON", "JUST MAIN option is OFF"},
    {"AUTO_PRINTER_CMD", &InstallOptions::autoPrinterCommand, false, "AUTO PRINTER COMMAND option is ON",
     "AUTO PRINTER COMMAND option is OFF"},
    {"SET_SOURCE_PATH", &InstallOptions::setSourcePath, false, "SET SOURCE PATH option is ON",
     "SET SOURCE PATH option is OFF"},
    {"USE_PUBLIC_OID", &InstallOptions::usePublicOid, false, "USE PUBLIC OID option is ON",
     "USE PUBLIC OID option is OFF"},
    {"USE_IPX", &InstallOptions::useIpx, false, "USE IPX option is ON", "USE IPX option is OFF"},
    {"STOP_FIREWALL", &InstallOptions::stopFirewall, false, "Stop Firewall option is ON",
     "Stop Firewall option is OFF"},
    {"OVRA", &InstallOptions::ovra, false, "OVRA option is ON", "OVRA option is OFF"},
};

// Windows 95 and NT 4 and older have no right-to-left window layout.
bool HasRightToLeftLayout(int osCode)
{
    return osCode != OS_WIN95 && osCode != OS_WIN95_OSR2 && osCode != 5 && osCode != OS_NT3 && osCode != OS_NT4;
}

}  // namespace

CInstallEnv::CInstallEnv(CLog& log, const std::string& programFile)
    : m_log(log),
      m_programFile(programFile),
      m_externalFnt(log),
      m_language(log),
      m_dirs(QuerySystemDirectories())
{
    if (!GetOsVersionCode(m_osCode, m_osClass))
    {
        m_osCode = 0;
        m_osClass = 0;
    }
    ConnectProfiles();
}

// Every value the four profiles hand out with expansion sees the macro values of this moment, and
// their section choice the OS define string, language and product kinds of this moment.
void CInstallEnv::ConnectProfiles()
{
    const CConfigProfile::MacroExpander expand = [this](const std::string& text, DWORD langId,
                                                        const std::string& langAbbr,
                                                        const std::string& langDir) {
        return ExpandMacros(text, static_cast<WORD>(langId), langAbbr, langDir);
    };
    const CConfigProfile::SectionCandidates candidates = [this](const std::string& baseName) {
        return SectionCandidates(baseName, m_osDefine, m_language.GetLangAbbr(), m_options.network,
                                 m_options.usbOnly);
    };
    for (CConfigProfile* profile : {&m_dataProfile, &m_configProfile, &m_commandProfile, &m_stringProfile})
    {
        profile->SetMacroExpander(expand);
        profile->SetSectionCandidates(candidates);
    }
}

bool CInstallEnv::Init()
{
    LocateProgram();
    if (!InitProfiles())
    {
        m_log.Write("Initialize Profiles fail!!");
        return false;
    }
    ReadVersion();
    ReadOptions(m_dataProfile);
    if (!ReadModelInfo(m_dataProfile))
    {
        m_log.Write("Initialize Model Variable fail!!");
        if (!m_options.mainOnly)
        {
            return false;
        }
    }
    if (!BuildRegistryKeys())
    {
        m_log.Write("Initialize Registry Variable fail!!");
        if (!m_options.mainOnly)
        {
            return false;
        }
    }
    m_language.Init(&m_dataProfile);
    (void)SetLanguage(0, false);
    m_systemStringFile = FillLanguageFormat(m_stringFileFormat, m_language.GetSystemLangAbbr());
    (void)InitDestination();
    LoadHelperLibraries();
    return true;
}

void CInstallEnv::LocateProgram()
{
    const std::string programFile = m_programFile.empty() ? ProgramFilePath() : m_programFile;
    m_sourceDir = ParentDirectory(programFile);
    m_applicationName = ApplicationNameOf(programFile);
    m_installerFileName = m_applicationName + ".exe";
    // "D:" alone would mean the current directory of drive D:, not its root.
    const bool driveOnly = m_sourceDir.size() == 2 && m_sourceDir[1] == ':';
    (void)::SetCurrentDirectoryA((driveOnly ? m_sourceDir + "\\" : m_sourceDir).c_str());
}

bool CInstallEnv::InitProfiles()
{
    m_dataFile = m_sourceDir + "\\" + m_applicationName + ".dat";
    if (!SystemCheck::FileExists(m_dataFile.c_str()) ||
        !m_dataProfile.Open(m_dataFile.c_str(), m_dataFile.c_str(), nullptr, false))
    {
        return false;
    }
    m_configFile = ChooseConfigFile(m_language.GetLangAbbr());
    if (m_configFile.empty())
    {
        return false;
    }
    (void)m_configProfile.Open(m_configFile.c_str(), m_dataFile.c_str(), nullptr, false);

    m_commandFile = ResolvePath(ReadFileKey("COMMAND_FILE", kDefaultCommandFile), true);
    if (m_commandFile.empty())
    {
        return false;
    }
    (void)m_commandProfile.Open(m_commandFile.c_str(), m_dataFile.c_str(), nullptr, false);

    m_stringFileFormat = ResolvePath(ReadFileKey("STRING_FILE_FORMAT", kDefaultStringFileFormat), false);
    m_stringFile = FillLanguageFormat(m_stringFileFormat, kStartLanguage);
    m_stringFileName = FileNamePart(m_stringFile);
    (void)m_stringProfile.Open(m_stringFile.c_str(), m_dataFile.c_str(), m_stringFile.c_str(), true);

    m_settingFile = ResolvePath(ReadFileKey("SETTING_FILE", kDefaultSettingFile), true);
    return true;
}

std::string CInstallEnv::ReadFileKey(const char* key, const char* defaultValue) const
{
    std::string value;
    return m_dataProfile.GetString(kFileInfoSection, key, value) ? value : std::string(defaultValue);
}

std::string CInstallEnv::ChooseConfigFile(const std::string& abbr) const
{
    std::string value;
    if (!m_dataProfile.GetString(kFileInfoSection, ("CONFIGURE_FILE." + abbr).c_str(), value))
    {
        value = ReadFileKey("CONFIGURE_FILE", kDefaultConfigFile);
    }
    return ResolvePath(value, true);
}

std::string CInstallEnv::ResolvePath(const std::string& text, bool mustExist) const
{
    const std::string path = ResolvePathText(text, m_sourceDir);
    if (mustExist && !SystemCheck::FileExists(path.c_str()))
    {
        m_log.Write("(%s) file does not exist.", path.c_str());
        return std::string();
    }
    return path;
}

void CInstallEnv::ReadVersion()
{
    if (m_dataProfile.GetString("VERSION", "VERSION", m_version))
    {
        return;
    }
    char version[MAX_PATH] = {};
    const std::string autorun = m_sourceDir + "\\Autorun.inf";
    (void)::GetPrivateProfileStringA("INFOMATION", "VERSION", "", version, sizeof(version), autorun.c_str());
    m_version = version;
}

void CInstallEnv::ReadOptions(const CConfigProfile& profile)
{
    // The section is chosen with the product kinds read last time; every flag then starts from its
    // default, so a flag that only a former language's OPTION variant set does not linger.
    char resolved[kSectionNameSize] = {};
    const bool hasSection = profile.ResolveSection(kOptionSection, resolved, sizeof(resolved));
    if (!hasSection)
    {
        m_log.Write("Get Option fail");
    }
    InstallOptions options;
    for (const OptionKey& option : kOptionKeys)
    {
        DWORD value = 0;
        const bool found = (hasSection && profile.GetDword(resolved, option.key, &value)) ||
                           profile.GetDword(kOptionSection, option.key, &value);
        if (found)
        {
            options.*option.flag = value != 0;
            options.ovraPresent = options.ovraPresent || option.flag == &InstallOptions::ovra;
        }
        if (option.flag == &InstallOptions::rightAlign && !HasRightToLeftLayout(m_osCode))
        {
            options.rightAlign = false;
        }
        if (found || option.logWhenMissing)
        {
            m_log.Write("%s", options.*option.flag ? option.onText : option.offText);
        }
    }
    m_options = options;
}

bool CInstallEnv::ReadModelInfo(const CConfigProfile& profile)
{
    const std::pair<const char*, std::string*> required[] = {
        {"MFG", &m_mfg}, {"MDL", &m_mdl}, {"VIDPID", &m_vidPid}};
    bool complete = true;
    std::string value;
    for (const auto& entry : required)
    {
        if (profile.GetString(kProgramInfoSection, entry.first, value))
        {
            *entry.second = value;
        }
        else
        {
            complete = false;
        }
    }
    if (profile.GetString(kProgramInfoSection, "PROGRAM_NAME", value))
    {
        m_programName = value;
    }
    return complete;
}

bool CInstallEnv::BuildRegistryKeys()
{
    // An empty or overlong name would put the installer's values somewhere else in HKEY_LOCAL_MACHINE.
    const bool valid = !m_mfg.empty() && !m_programName.empty() && m_mfg.size() <= kMaxKeyNameLength &&
                       m_programName.size() <= kMaxKeyNameLength;
    const std::string base = valid ? "Software\\" + m_mfg + "\\" + m_programName : std::string();
    m_installingKey = valid ? base + "\\Installing" : std::string();
    m_installingHistoryKey = valid ? base + "\\Installing\\InstHistory" : std::string();
    m_installedKey = valid ? base + "\\Installed" : std::string();
    m_installedHistoryKey = valid ? base + "\\Installed\\InstHistory" : std::string();
    m_uninstallInfoKey = valid ? base + "\\UninstallInfo" : std::string();
    return valid;
}

bool CInstallEnv::InitDestination()
{
    (void)CopyText(m_mfgBuffer, sizeof(m_mfgBuffer), m_mfg.c_str());
    (void)CopyText(m_mdlBuffer, sizeof(m_mdlBuffer), m_mdl.c_str());
    (void)CopyText(m_vidPidBuffer, sizeof(m_vidPidBuffer), m_vidPid.c_str());
    m_destDir = WithoutTrailingBackslash(ChooseDestination());
    m_initialDestDir = m_destDir;
    m_destInstallDir = m_destDir + "\\Install";
    const DWORD err = CreateDestination();
    m_port = DefaultPort();
    DetermineOsDefinition();
    return err == ERROR_SUCCESS;
}

// The recorded destination of an installation, else the data file's, else one below Program Files.
std::string CInstallEnv::ChooseDestination() const
{
    std::vector<char> recorded(kRegistryTextSize + 1);
    if (!m_installedKey.empty() &&
        CRegistry::GetValue(m_installedKey.c_str(), "Dest_Dir", recorded.data(), HKEY_LOCAL_MACHINE,
                            static_cast<int>(recorded.size())) == ERROR_SUCCESS &&
        recorded[0] != '\0')                                  // an empty record names no directory
    {
        return recorded.data();
    }
    std::string configured;
    if (m_dataProfile.GetString(kProgramInfoSection, "DESTINATION_DIR", configured, false))
    {
        return ExpandMacros(configured);
    }
    return m_dirs.programFilesDir + "\\" + m_mfg + "\\" + m_programName;
}

DWORD CInstallEnv::CreateDestination() const
{
    return CreateDirectoryChain(m_destDir, [this](const std::string& directory) {
        if (m_historyRecorder)
        {
            (void)m_historyRecorder(directory, kHistoryDirectory);  // the records log their own failures
        }
    });
}

std::string CInstallEnv::DefaultPort() const
{
    std::string defaultPort;
    (void)m_dataProfile.GetString(kProgramInfoSection, "DEFAULT_PORT", defaultPort);
    std::vector<std::string> ports;
    (void)EnumeratePortNames(ports);                          // no port list: LPT1: is not there either
    return ChooseDefaultPort(defaultPort, ports, m_options.usbOnly);
}

void CInstallEnv::DetermineOsDefinition()
{
    const OsDefineLookup lookup = [this](const std::string& key) -> std::optional<std::string> {
        std::string value;
        if (m_dataProfile.GetString(kOsDefineSection, key.c_str(), value))
        {
            return value;
        }
        return std::nullopt;
    };
    std::string osDefine;
    if (!DetermineOsDefine(m_log, lookup, osDefine))
    {
        return;                                               // OS define string and OS directory stay
    }
    m_osDefine = osDefine;
    m_log.Write("OS Define String = %s", m_osDefine.c_str());
    std::string osDir;
    m_osDir = m_dataProfile.GetString(kOsDirSection, m_osDefine.c_str(), osDir) ? osDir : m_osDefine;
    m_log.Write("OS Directory = %s", m_osDir.c_str());
}

// Each helper library's path: the most specific INSTALLER_FILE_INFO variant, the plain section (for
// the test page library also its diagnosis library), else the default beside the installer.
void CInstallEnv::LoadHelperLibraries()
{
    char variant[kSectionNameSize] = {};
    const bool hasVariant = m_dataProfile.ResolveSection(kFileInfoSection, variant, sizeof(variant));
    CExternalFnt::Paths paths;
    for (const ExternalFileKey& entry : CExternalFnt::kFileKeys)
    {
        std::string value;
        const bool found = (hasVariant && m_dataProfile.GetString(variant, entry.key, value)) ||
                           m_dataProfile.GetString(kFileInfoSection, entry.key, value) ||
                           (entry.defaultKey != nullptr &&
                            m_dataProfile.GetString(kFileInfoSection, entry.defaultKey, value));
        paths[entry.file] = ResolvePath(found ? value : std::string(entry.defaultPath), true);
    }
    m_externalFnt.Load(paths);
}

void CInstallEnv::SetDestination(const std::string& path)
{
    const std::string current = ExpandMacros(m_destDir);
    std::string destination = path;
    if (destination.empty())
    {
        destination = ExpandMacros(m_initialDestDir);
        m_log.Write("Reset Destination Directory [%s]", destination.c_str());
    }
    // A trailing backslash alone does not make another directory.
    const std::string stored = WithoutTrailingBackslash(destination);
    if (SameTextNoCase(WithoutTrailingBackslash(current).c_str(), stored.c_str()))
    {
        return;
    }
    (void)SystemCheck::RemoveDirectoryChain(current.c_str());
    m_log.Write("Set Destination ==> %s", destination.c_str());
    m_destDir = stored;
    m_destInstallDir = m_destDir + "\\Install";
    WriteInstallingValue("Dest_Dir", m_destDir);
    (void)CreateDestination();
}

void CInstallEnv::SetPort(const std::string& port)
{
    m_port = port.empty() ? DefaultPort() : port;
    m_log.Write("Set Port : %s", m_port.c_str());
}

void CInstallEnv::SetIp(const std::string& ip)
{
    m_ip = ip;
    m_log.Write("Set IP : %s", m_ip.c_str());
}

void CInstallEnv::SetPrinterInstalled(bool installed)
{
    m_printerInstalled = installed;
    if (installed)
    {
        m_log.Write("Printer was installed");
    }
}

bool CInstallEnv::CheckDevicePort(bool requireLpt)
{
    std::string port;
    return FindDevicePort(&port) && (!requireLpt || SystemUpper(port).find("LPT") != std::string::npos);
}

bool CInstallEnv::FindDevicePort(std::string* port)
{
    std::vector<std::string> ports;
    int count = 0;
    (void)m_externalFnt.GetDevicePort(m_mfgBuffer, m_mdlBuffer, m_vidPidBuffer, &ports, &count);
    if (count < 1)
    {
        return false;
    }
    m_deviceFound = true;
    *port = ports.empty() ? std::string() : ports.front();
    return true;
}

bool CInstallEnv::SetLanguage(WORD id, bool interactive)
{
    CWaitCursor waitCursor;
    bool fromDefault = false;
    if (id == 0)
    {
        DWORD installed = 0;
        if (m_installedKey.empty() || CRegistry::GetValue(m_installedKey.c_str(), "LangCode", &installed,
                                                          HKEY_LOCAL_MACHINE) != ERROR_SUCCESS)
        {
            installed = 0;
        }
        id = static_cast<WORD>(installed);
        fromDefault = true;
    }
    const bool changed = m_language.Set(&m_dataProfile, id, fromDefault);
    if (interactive && !changed)
    {
        return true;
    }
    WriteInstallingValue("LangCode", static_cast<DWORD>(m_language.GetRequestedLangId()));
    WriteInstallingValue("LangAbbr", m_language.GetLangAbbr());
    WriteInstallingValue("STR_FILE", m_stringFile);           // still the string file before this change
    ApplyStringFile(m_language.GetLangAbbr());
    ReadOptions(m_dataProfile);
    if (m_reloadNetworkTexts)
    {
        m_reloadNetworkTexts();
    }
    if (interactive && m_languageWindowSequence)
    {
        m_languageWindowSequence();
    }
    return true;
}

void CInstallEnv::ApplyStringFile(const std::string& abbr)
{
    m_stringFile = FillLanguageFormat(m_stringFileFormat, abbr);
    if (!SystemCheck::FileExists(m_stringFile.c_str()))
    {
        const std::string english =
            m_language.LookupLanguageText(CLanguageInfo::kEnglish, CLanguageInfo::kAbbrSection);
        m_stringFile = FillLanguageFormat(m_stringFileFormat, english);
    }
    m_stringFileName = FileNamePart(m_stringFile);
    const std::string configFile = ChooseConfigFile(abbr);
    if (!configFile.empty())
    {
        m_configFile = configFile;
        (void)m_configProfile.ReloadMain(m_configFile.c_str());
    }
    for (CConfigProfile* profile : {&m_commandProfile, &m_configProfile, &m_dataProfile})
    {
        (void)profile->ReloadMessages(m_stringFile.c_str());
    }
    (void)m_stringProfile.ReloadMain(m_stringFile.c_str());
    (void)m_stringProfile.ReloadMessages(m_stringFile.c_str());
    m_log.Write("Set Language : String file\t\t= %s", m_stringFileName.c_str());
    m_log.Write("Set Language : Configure file\t\t= %s", m_configFile.c_str());
}

std::string CInstallEnv::ExpandMacros(const std::string& text, WORD langId, const std::string& langAbbr,
                                      const std::string& langDir) const
{
    if (text.find('$') == std::string::npos)
    {
        return text;
    }
    MacroValues values;
    values.langAbbr = m_language.GetLangAbbr();
    values.orgLangAbbr = m_language.GetRequestedLangAbbr();
    values.srcDir = m_sourceDir;
    values.destDir = m_destDir;
    values.winDir = m_dirs.windowsDir;
    values.sysDir = m_dirs.systemDir;
    values.osDir = m_osDir;
    values.programFilesDir = m_dirs.programFilesDir;
    values.langDir = m_language.GetLangDir();
    values.orgLangDir = m_language.GetRequestedLangDir();
    values.dataFile = m_dataFile;
    values.configFile = m_configFile;
    values.stringFile = m_stringFile;
    values.version = m_version;
    values.applicationName = m_applicationName;
    values.ip = m_ip;
    values.port = m_port;
    values.langId = m_language.GetLangId();
    values.orgLangId = m_language.GetRequestedLangId();
    values.installed = m_installed;
    values.isLeadByte = IsSystemLeadByte;
    MacroOverrides overrides;
    overrides.langId = langId;
    overrides.langAbbr = langAbbr;
    overrides.langDir = langDir;
    return ::ExpandMacros(text, values, overrides);
}

void CInstallEnv::SetRemoteInstallPreparation(bool on)
{
    m_remoteInstallPreparation = on;
    for (CConfigProfile* profile : {&m_dataProfile, &m_configProfile, &m_commandProfile, &m_stringProfile})
    {
        profile->SetRemoteInstallPreparation(on);
    }
}

void CInstallEnv::WriteInstallingValue(const char* name, const std::string& text) const
{
    if (!m_installingKey.empty())
    {
        (void)CRegistry::SetValue(m_installingKey.c_str(), name, text.c_str(), HKEY_LOCAL_MACHINE);
    }
}

void CInstallEnv::WriteInstallingValue(const char* name, DWORD value) const
{
    if (!m_installingKey.empty())
    {
        (void)CRegistry::SetValue(m_installingKey.c_str(), name, value, HKEY_LOCAL_MACHINE);
    }
}
