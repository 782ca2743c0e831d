#include "env/SystemRequirement.h"

#include <utility>

#include "base/Text.h"
#include "base/TextRules.h"
#include "base/UserMessage.h"
#include "env/InstallEnv.h"
#include "env/WordList.h"
#include "profile/ConfigProfile.h"

namespace
{
constexpr DWORD kUsbNotAvailable = static_cast<DWORD>(-1);

// The message text with its one %s replaced by value. The text comes from the data file, so it is not
// handed to printf: "%%" gives "%", any other '%' stays as written.
std::string FormatWithOneText(const std::string& format, const std::string& value)
{
    std::string text;
    bool replaced = false;
    for (size_t i = 0; i < format.size(); ++i)
    {
        const char next = i + 1 < format.size() ? format[i + 1] : '\0';
        if (format[i] == '%' && next == '%')
        {
            text += '%';
            ++i;
        }
        else if (format[i] == '%' && next == 's' && !replaced)
        {
            text += value;
            replaced = true;
            ++i;
        }
        else
        {
            text += format[i];
        }
    }
    return text;
}

// The list of unsupported systems is given without the spaces, double quotes and tabs around it.
const char kListEndsTrimmed[] = " \"\t";

std::string CutToBuffer(std::string text)
{
    if (text.size() >= CSystemRequirement::kMessageBufferSize)
    {
        text.resize(CSystemRequirement::kMessageBufferSize - 1);
    }
    return text;
}
}  // namespace

CSystemRequirement::CSystemRequirement(bool active, SystemRequirementValues values, std::string osDefine,
                                       std::string programName, SystemRequirementHelpers helpers)
    : m_active(active),
      m_values(std::move(values)),
      m_osDefine(std::move(osDefine)),
      m_programName(std::move(programName)),
      m_helpers(std::move(helpers))
{
}

bool CSystemRequirement::IsCheckActive(const std::vector<std::string>& sectionNames)
{
    for (const std::string& name : sectionNames)
    {
        if (SystemUpper(name).find("SYSTEM_REQUIREMENT") != std::string::npos)
        {
            return true;
        }
    }
    return false;
}

bool CSystemRequirement::HasFreeSpace(const char* path) const
{
    if (!m_helpers.getDiskFreeSpace)
    {
        return true;
    }
    const DWORD freeSpace = m_helpers.getDiskFreeSpace(path != nullptr ? path : "");
    return freeSpace == 0 || freeSpace >= m_values.freeSpace;   // 0: the helper had no answer
}

bool CSystemRequirement::IsOsUnsupported() const
{
    const std::string list = Trim(m_values.unsupportedOs, kListEndsTrimmed);
    return SystemCheck::IsWordInList(list.c_str(), m_osDefine.c_str(), " ,");
}

bool CSystemRequirement::IsUsbUnavailable() const
{
    if (!m_helpers.getDevicePort)
    {
        return false;
    }
    std::string ports(kPortBufferSize, '\0');
    DWORD count = 0;
    m_helpers.getDevicePort(&ports[0], &count);
    return count == kUsbNotAvailable;
}

int CSystemRequirement::FindUnmetRequirement(bool usbOnly) const
{
    if (!m_active)
    {
        return kNoMessage;
    }
    if (!HasFreeSpace(""))
    {
        return kMsgNoFreeSpace;
    }
    if (IsOsUnsupported())
    {
        return kMsgNotSupportedOs;
    }
    if (usbOnly && IsUsbUnavailable())
    {
        return kMsgUsbNotAvailable;
    }
    return kNoMessage;
}

std::string CSystemRequirement::MessageText(int type) const
{
    switch (type)
    {
    case kMsgNoFreeSpace:
    {
        const std::string size = FormatText("%luMB", static_cast<unsigned long>(m_values.freeSpace));
        return CutToBuffer(FormatWithOneText(m_values.msgNoFreeSpace, size));
    }
    case kMsgNotSupportedOs:
        return CutToBuffer(m_values.msgNotSupportedOs);
    case kMsgUsbNotAvailable:
        return CutToBuffer(m_values.msgUsbNotAvailable);
    default:
        return std::string();
    }
}

void CSystemRequirement::ShowRequirementMessage(int type) const
{
    if (type != kMsgNoFreeSpace && type != kMsgNotSupportedOs && type != kMsgUsbNotAvailable)
    {
        return;
    }
    (void)ShowUserMessage(nullptr, MessageText(type), m_programName, MB_OK | MB_ICONWARNING);
}

bool CSystemRequirement::CheckRequirements(bool usbOnly) const
{
    const int unmet = FindUnmetRequirement(usbOnly);
    if (unmet == kNoMessage)
    {
        return true;
    }
    ShowRequirementMessage(unmet);
    return false;
}

bool CSystemRequirement::CheckFreeSpace(const char* path, bool showMessage) const
{
    if (HasFreeSpace(path))
    {
        return true;
    }
    if (showMessage)
    {
        ShowRequirementMessage(kMsgNoFreeSpace);
    }
    return false;
}

namespace
{
// The section names of a profile's main file.
std::vector<std::string> SectionNames(const CConfigProfile& profile)
{
    std::vector<std::string> names;
    for (const SECTION_LIST* section = profile.GetMain().GetMainDocument().GetFirstSection(); section != nullptr;
         section = section->nextSection)
    {
        names.emplace_back(section->name);
    }
    return names;
}

SystemRequirementValues ReadRequirementValues(const CConfigProfile& data)
{
    SystemRequirementValues values;
    DWORD freeSpace = 0;
    if (data.GetDword(kSystemRequirementSection, "FREE_SPACE", &freeSpace))
    {
        values.freeSpace = freeSpace;
    }
    (void)data.GetString(kSystemRequirementSection, "UNSUPPORTED_OS", values.unsupportedOs);
    (void)data.GetString(kSystemRequirementSection, "MSG_NOT_SUPPORTED_OS", values.msgNotSupportedOs);
    (void)data.GetString(kSystemRequirementSection, "MSG_NO_FREE_SPACE", values.msgNoFreeSpace);
    (void)data.GetString(kSystemRequirementSection, "MSG_USB_NOT_AVAILABLE", values.msgUsbNotAvailable);
    return values;
}
}  // namespace

CSystemRequirement ReadSystemRequirement(CInstallEnv& env)
{
    const CConfigProfile& data = env.GetDataProfile();
    SystemRequirementHelpers helpers;
    helpers.getDiskFreeSpace = [&env](const char* path) { return env.GetExternalFnt().GetDiskFreeSpaceKV(path); };
    helpers.getDevicePort = [&env](char* /*ports*/, DWORD* count) {
        int portCount = 0;                                    // stays 0 when the library does not answer
        (void)env.GetExternalFnt().GetDevicePort(env.GetMfgBuffer(), env.GetMdlBuffer(), env.GetVidPidBuffer(),
                                                 nullptr, &portCount);
        *count = static_cast<DWORD>(portCount);
    };
    return CSystemRequirement(CSystemRequirement::IsCheckActive(SectionNames(data)), ReadRequirementValues(data),
                              env.GetOsDefine(), env.GetProgramName(), helpers);
}
