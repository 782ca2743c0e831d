#include "command/RegistryCommands.h"

#include <vector>

#include "base/TextRules.h"
#include "command/CommandEnv.h"
#include "command/CommandSection.h"
#include "command/CommandText.h"
#include "log/Log.h"
#include "profile/ConfigProfile.h"
#include "registry/Registry.h"

namespace
{
const char* HiveName(HKEY root)
{
    return root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

// Opens or creates each key of the path from the top, so that the system says for each one whether it
// was new. Returns the first key this call created ("" when all existed or creation failed before
// anything new); everything below it is new as well.
std::string CreateKeyPath(HKEY root, const std::vector<std::string>& pieces)
{
    std::string path;
    for (const std::string& piece : pieces)
    {
        path += (path.empty() ? "" : "\\") + piece;
        bool created = false;
        if (CRegistry::CreateKey(path.c_str(), root, &created) != ERROR_SUCCESS)
        {
            return std::string();
        }
        if (created)
        {
            return path;
        }
    }
    return std::string();
}

// True unless the value is known to be missing: a value that cannot be looked at counts as present,
// so that it is never reported as created.
bool ValueExists(HKEY root, const std::string& keyPath, const std::string& name)
{
    return CRegistry::ProbeValue(keyPath.c_str(), name.c_str(), root) != ERROR_FILE_NOT_FOUND;
}

bool IsValueLine(const std::string& line)
{
    return EqualsAsciiNoCase(LineKey(line), "VALUE");
}
}  // namespace

CRegistryCommands::CRegistryCommands(CLog& log, const CCommandEnv& env, const HistoryRecorder& recorder)
    : m_log(log), m_env(env), m_recorder(recorder)
{
}

bool CRegistryCommands::ReadTarget(const char* section, Target& target) const
{
    const CConfigProfile& profile = m_env.GetCommandProfile();
    std::string rootKey;
    const bool currentUser = profile.GetString(section, "ROOTKEY", rootKey) && NamesCurrentUser(rootKey);
    target.root = currentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    return profile.GetString(section, "KEYNAME", target.keyName) && !target.keyName.empty();
}

void CRegistryCommands::Record(const std::string& text, HistoryKind kind) const
{
    if (m_recorder)
    {
        (void)m_recorder(text, kind);
    }
}

// The key path is created by us here, one level at a time, rather than by the value write, because
// only the creation itself can tell a new key from one that was already there.
void CRegistryCommands::AddValue(const Target& target, const std::string& type, const std::string& name,
                                 const std::string& data)
{
    const std::vector<std::string> pieces = SplitPathPieces(target.keyName, IsSystemLeadByte);
    std::string keyPath;
    for (const std::string& piece : pieces)
    {
        keyPath += (keyPath.empty() ? "" : "\\") + piece;
    }
    const std::string newKey = CreateKeyPath(target.root, pieces);
    if (!newKey.empty())
    {
        Record(std::string(HiveName(target.root)) + "\\" + newKey, kHistoryRegistryKey);
    }
    const bool existed = ValueExists(target.root, keyPath, name);
    const DWORD written = EqualsAsciiNoCase(type, "REG_DWORD")
                              ? CRegistry::SetValue(keyPath.c_str(), name.c_str(),
                                                    static_cast<DWORD>(ParseRegistryDword(data)), target.root)
                              : CRegistry::SetValue(keyPath.c_str(), name.c_str(), data.c_str(), target.root);
    if (written == ERROR_SUCCESS && !existed)
    {
        Record(std::string(HiveName(target.root)) + "\\" + keyPath + "\\" + name, kHistoryRegistryValue);
    }
}

bool CRegistryCommands::AddReg(const CommandRecord& record)
{
    const char* section = record.param[0];
    if (*section == '\0')
    {
        m_log.Write("Get Add registry section error!");
        return false;
    }
    if (!CommandSectionApplies(m_env, section))
    {
        return true;
    }
    Target target;
    if (!ReadTarget(section, target))
    {
        m_log.Write("Get Add registry Key Name error!");
        return false;
    }
    std::vector<std::string> lines;
    if (!ReadSectionLines(m_env.GetCommandProfile(), section, lines))
    {
        m_log.Write("Get value fail!");
        return false;
    }
    for (const std::string& line : lines)
    {
        const RegistryValueLine value = SplitRegistryValueLine(LineValue(line));
        if (IsValueLine(line) && !value.name.empty())
        {
            AddValue(target, value.type, value.name, value.data);
        }
    }
    return true;
}

bool CRegistryCommands::DelReg(const CommandRecord& record)
{
    const char* section = record.param[0];
    if (*section == '\0')
    {
        m_log.Write("Get Delete registry section error!");
        return false;
    }
    if (!CommandSectionApplies(m_env, section))
    {
        return true;
    }
    Target target;
    if (!ReadTarget(section, target))
    {
        m_log.Write("Get Delete registry Key Name error!");
        return false;
    }
    std::vector<std::string> lines;
    if (!ReadSectionLines(m_env.GetCommandProfile(), section, lines))
    {
        m_log.Write("Delete value fail!");
        return false;
    }
    for (const std::string& line : lines)
    {
        const RegistryValueLine value = SplitRegistryValueLine(LineValue(line));
        if (IsValueLine(line))
        {
            // "type, name" and a bare name both work: the second part, else the first.
            const std::string& name = value.name.empty() ? value.type : value.name;
            (void)CRegistry::DeleteValue(target.keyName.c_str(), name.c_str(), target.root);
        }
    }
    DWORD deleteKey = 0;
    if (m_env.GetCommandProfile().GetDword(section, "DELETE_KEY", &deleteKey) && deleteKey != 0)
    {
        (void)CRegistry::DeleteKey(target.keyName.c_str(), false, target.root);
        m_log.Write("Delete Key (%s) ", target.keyName.c_str());
    }
    return true;
}
