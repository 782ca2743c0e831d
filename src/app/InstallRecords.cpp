// The installer's records of the application (app/InstallerApp.h): what a recorded installation turns
// a run into, the start section chosen for the run mode, and the start values under the Installing key.
#include "app/InstallerApp.h"

#include <vector>

#include "env/SourceMedia.h"
#include "registry/Registry.h"

namespace
{
const int kRegistryTextSize = 4096;
const DWORD kSectionNameSize = 260;
}  // namespace

bool CInstallerApp::HasInstalledItemRecord(const std::string& installedKey)
{
    if (installedKey.empty())
    {
        return false;
    }
    const std::string itemsKey = installedKey + "\\Items";
    std::vector<std::string> names;
    if (CRegistry::GetSubKeyNames(itemsKey.c_str(), HKEY_LOCAL_MACHINE, names) != ERROR_SUCCESS)
    {
        return false;
    }
    for (const std::string& name : names)
    {
        DWORD installNow = 0;
        if (CRegistry::GetValue((itemsKey + "\\" + name).c_str(), "InstallNow", &installNow, HKEY_LOCAL_MACHINE) ==
                ERROR_SUCCESS &&
            installNow == 2)
        {
            return true;
        }
    }
    return false;
}

// An empty record names no directory: it counts as unreadable, as it does for the environment.
bool CInstallerApp::ReadInstalledDestination(std::string& destination) const
{
    const std::string& key = m_env.GetInstalledKey();
    std::vector<char> text(kRegistryTextSize + 1, '\0');
    const int size = static_cast<int>(text.size());
    if (key.empty() ||
        CRegistry::GetValue(key.c_str(), "Dest_Dir", text.data(), HKEY_LOCAL_MACHINE, size) != ERROR_SUCCESS ||
        text[0] == '\0')
    {
        return false;
    }
    destination = text.data();
    return true;
}

// A recorded installation with its language turns an install into a reinstall, unless the product
// is a network product, which installs again for each further printer.
int CInstallerApp::ApplyRecordedInstallation(int runMode)
{
    std::string destination;
    const bool recorded =
        runMode == RUN_REINSTALL ||
        (runMode == RUN_INSTALL && ReadInstalledDestination(destination) && m_anyItemInstalled());
    const std::string& key = m_env.GetInstalledKey();
    DWORD langCode = 0;
    if (!recorded || key.empty() ||
        CRegistry::GetValue(key.c_str(), "LangCode", &langCode, HKEY_LOCAL_MACHINE) != ERROR_SUCCESS)
    {
        return runMode;
    }
    m_env.SetInstalled(true);
    if (runMode == RUN_INSTALL && !m_env.GetOptions().network)
    {
        return RUN_REINSTALL;
    }
    return runMode;
}

int CInstallerApp::ChooseStartSection(int runMode)
{
    runMode = ApplyRecordedInstallation(runMode);
    const char* programFile = m_programFile.empty() ? nullptr : m_programFile.c_str();
    const bool cdSource = SystemCheck::GetSourceMediaType(programFile) == SystemCheck::kMediaCdRom;
    const CConfigProfile& config = m_env.GetConfigProfile();
    const StartChoice choice =
        FindStartSection(runMode, cdSource, [&config](const char* candidate, std::string& section) {
            char resolved[kSectionNameSize] = {};
            if (!config.ResolveSection(candidate, resolved, sizeof(resolved)))
            {
                return false;
            }
            section = resolved;
            return true;
        });
    const int result = choice.runMode;
    if (result == RUN_NONE)
    {
        m_log.Write("Start Section is [%s]", m_startSection.c_str());
        return RUN_NONE;
    }
    m_startSection = choice.section;
    // With MAIN_ONLY the product has no items, and nothing is written under the Installing key.
    if (!m_env.GetOptions().mainOnly && !m_env.GetInstallingKey().empty())
    {
        (void)CRegistry::SetValue(m_env.GetInstallingKey().c_str(), "Setup_Type", static_cast<DWORD>(result),
                                  HKEY_LOCAL_MACHINE);
    }
    const std::string variant = m_startSection + ".OVRA";
    if (result == RUN_INSTALL && m_env.GetOptions().ovra && config.HasSection(variant.c_str()))
    {
        m_startSection = variant;
    }
    m_log.Write("Start Section is [%s]", m_startSection.c_str());
    return result;
}

bool CInstallerApp::WriteStartValues(bool full)
{
    const std::string& key = m_env.GetInstallingKey();
    if (m_env.GetOptions().mainOnly || key.empty())
    {
        return true;
    }
    const auto text = [&key](const char* name, const std::string& value) {
        (void)CRegistry::SetValue(key.c_str(), name, value.c_str(), HKEY_LOCAL_MACHINE);
    };
    const auto number = [&key](const char* name, DWORD value) {
        (void)CRegistry::SetValue(key.c_str(), name, value, HKEY_LOCAL_MACHINE);
    };
    if (full)
    {
        text("MFG", m_env.GetMfg());
        text("MDL", m_env.GetMdl());
        text("VIDPID", m_env.GetVidPid());
        text("Printer_Port", m_env.GetVidPid());
        text("Program_Name", m_env.GetProgramName());
    }
    number("LangCode", m_env.GetLanguage().GetRequestedLangId());
    text("LangAbbr", m_env.GetLanguage().GetLangAbbr());
    text("Dest_Dir", m_env.GetDestDir());
    text("Win_Dir", m_env.GetWindowsDir());
    text("Temp_Dir", m_env.GetTempDir());
    text("STR_FILE", m_env.GetStringFile());
    number("OS_Ver", OsVerValue(m_env.GetOsClass()));
    return true;
}
