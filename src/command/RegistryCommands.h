#pragma once
// CT_ADDREG and CT_DELREG: add or delete the registry values (and keys) a section of the command file
// lists. Every key and value CT_ADDREG creates is reported to the history recorder, so that an
// uninstall removes it again; what existed before the write is never reported.

#include <windows.h>

#include <string>

#include "base/HistoryRecorder.h"
#include "command/CommandRecord.h"

class CCommandEnv;
class CLog;

class CRegistryCommands
{
public:
    CRegistryCommands(CLog& log, const CCommandEnv& env, const HistoryRecorder& recorder);
    CRegistryCommands(const CRegistryCommands&) = delete;
    CRegistryCommands& operator=(const CRegistryCommands&) = delete;

    // p1 names the section. False only for an empty p1, a missing KEYNAME or an unreadable section
    // (each logged); a section that does not apply, and failed single writes, give true.
    bool AddReg(const CommandRecord& record);
    bool DelReg(const CommandRecord& record);

private:
    struct Target
    {
        HKEY root = HKEY_LOCAL_MACHINE;
        std::string keyName;
    };
    bool ReadTarget(const char* section, Target& target) const;
    // Writes one value, creating the key path; reports the keys and the value that are new.
    void AddValue(const Target& target, const std::string& type, const std::string& name,
                  const std::string& data);
    void Record(const std::string& text, HistoryKind kind) const;

    CLog& m_log;
    const CCommandEnv& m_env;
    const HistoryRecorder& m_recorder;
};
