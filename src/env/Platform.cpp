#include "env/Platform.h"

#include <algorithm>
#include <utility>

#include "base/APIFunction.h"
#include "base/Scoped.h"
#include "base/Text.h"
#include "base/TextRules.h"
#include "log/Log.h"
#include "registry/Registry.h"

namespace
{
const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kMeVersionMark[] = "4.90.";
const char kWin98Key[] = "0X0001040A";
const char kWinMeKey[] = "0X0001045A";
const char kNt4Key[] = "0X00020400";
const char kWin2000Key[] = "0X00020500";
const char kDefaultNtKey[] = "DEF_WIN2KS";

// Windows 9x pads its service-pack letter with blanks (Windows 98 SE answers " A "), so the letter is
// compared without them.
std::string ServicePackLetter(const std::string& servicePack)
{
    return AsciiUpper(Trim(servicePack));
}

int Classify9x(const OsVersionInfo& info)
{
    const std::string letter = ServicePackLetter(info.servicePack);
    if (info.majorVersion == 4 && info.minorVersion == 0)
    {
        return (letter == "B" || letter == "C") ? OS_WIN95_OSR2 : OS_WIN95;
    }
    if (info.majorVersion == 4 && info.minorVersion == 10)
    {
        return letter == "A" ? OS_WIN98_SE : OS_WIN98;
    }
    if (info.majorVersion == 4 && info.minorVersion == 90)
    {
        return OS_WINME;
    }
    return OS_WIN9X_OTHER;
}

int ClassifyNt(const OsVersionInfo& info)
{
    switch (info.majorVersion)
    {
    case 3:
        return OS_NT3;
    case 4:
        return OS_NT4;
    case 5:
        if (info.minorVersion == 0)
        {
            return OS_WIN2000;
        }
        if (info.minorVersion != 2)
        {
            return OS_WINXP;
        }
        // 64-bit Windows XP reports 5.2 like Windows Server 2003; only the product type tells them apart.
        if (info.windows64 && info.hasExtendedInfo && info.productType == VER_NT_WORKSTATION)
        {
            return OS_WINXP;
        }
        return OS_WIN2003;
    case 6:
        return OS_VISTA;
    default:
        return OS_WIN2000;
    }
}

BOOL WINAPI SystemVersionQuery(LPOSVERSIONINFOA info)
{
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)   // deprecated only because it no longer tells versions after 8.1 apart
#endif
    return ::GetVersionExA(info);
}

std::string FixedText(const char* text, size_t size)
{
    return std::string(text, std::find(text, text + size, '\0'));
}

void FillFromBasic(const OSVERSIONINFOA& basic, OsVersionInfo& info)
{
    info.platformId = basic.dwPlatformId;
    info.majorVersion = basic.dwMajorVersion;
    info.minorVersion = basic.dwMinorVersion;
    info.servicePack = FixedText(basic.szCSDVersion, sizeof(basic.szCSDVersion));
}

void AddCandidate(std::vector<std::string>& keys, const std::string& key)
{
    if (std::find(keys.begin(), keys.end(), key) == keys.end())
    {
        keys.push_back(key);
    }
}

// On 64-bit Windows the ".64" keys, by product type when it is known, come before the 32-bit ones.
void Add64BitKeys(const OsVersionInfo& info, const std::string& key, std::vector<std::string>& keys)
{
    AddCandidate(keys, key + ".64");
    if (!info.hasExtendedInfo)
    {
        return;
    }
    if (info.productType == VER_NT_WORKSTATION)
    {
        AddCandidate(keys, key + ".64.PRO");
    }
    else if (info.productType == VER_NT_DOMAIN_CONTROLLER)
    {
        AddCandidate(keys, key + ".64.DOM");
        AddCandidate(keys, key + ".64.SER");
    }
    else
    {
        AddCandidate(keys, key + ".64.SER");
    }
}

std::vector<std::string> OsDefineKeys(const OsVersionInfo& info, bool windowsMe)
{
    std::vector<std::string> keys;
    std::string key = MakeOsDefineKey(info.platformId, info.majorVersion, info.minorVersion);
    if (info.windows64)
    {
        Add64BitKeys(info, key, keys);
    }
    const bool windows9x = info.platformId == VER_PLATFORM_WIN32_WINDOWS;
    const bool windowsNt = info.platformId == VER_PLATFORM_WIN32_NT;
    if (windows9x && info.majorVersion == 4 && info.minorVersion == 10 && windowsMe)
    {
        key = kWinMeKey;
    }
    AddCandidate(keys, key);
    if (windows9x)
    {
        AddCandidate(keys, kWin98Key);
    }
    else if (windowsNt && info.majorVersion == 4)
    {
        AddCandidate(keys, kNt4Key);
    }
    else if (windowsNt)
    {
        AddCandidate(keys, kDefaultNtKey);
        AddCandidate(keys, kWin2000Key);
    }
    return keys;
}
}  // namespace

bool ClassifyOsVersion(const OsVersionInfo& info, int& osCode, int& osClass)
{
    switch (info.platformId)
    {
    case VER_PLATFORM_WIN32s:
        osCode = OS_WIN32S;
        osClass = OSCLASS_WIN32S;
        return true;
    case VER_PLATFORM_WIN32_WINDOWS:
        osCode = Classify9x(info);
        osClass = OSCLASS_9X;
        return true;
    case VER_PLATFORM_WIN32_NT:
        osCode = ClassifyNt(info);
        osClass = (osCode == OS_NT3 || osCode == OS_NT4) ? OSCLASS_NT4 : OSCLASS_NT5;
        return true;
    default:
        return false;
    }
}

DWORD QueryOsVersion(OsVersionInfo& info, VersionQuery query)
{
    if (query == nullptr)
    {
        query = SystemVersionQuery;
    }
    OsVersionInfo result;
    OSVERSIONINFOEXA extended = {};
    extended.dwOSVersionInfoSize = sizeof(extended);
    if (query(reinterpret_cast<LPOSVERSIONINFOA>(&extended)))
    {
        result.platformId = extended.dwPlatformId;
        result.majorVersion = extended.dwMajorVersion;
        result.minorVersion = extended.dwMinorVersion;
        result.servicePack = FixedText(extended.szCSDVersion, sizeof(extended.szCSDVersion));
        result.productType = extended.wProductType;
        result.hasExtendedInfo = true;
    }
    else
    {
        // Windows 95, 98, Me and NT 4 before SP6 know only the basic structure.
        OSVERSIONINFOA basic = {};
        basic.dwOSVersionInfoSize = sizeof(basic);
        if (!query(&basic))
        {
            const DWORD err = ::GetLastError();
            return err != ERROR_SUCCESS ? err : ERROR_NOT_SUPPORTED;
        }
        FillFromBasic(basic, result);
    }
    result.windows64 = IsWindows64();
    info = std::move(result);
    return ERROR_SUCCESS;
}

bool GetOsVersionCode(int& osCode, int& osClass, VersionQuery query)
{
    OsVersionInfo info;
    if (QueryOsVersion(info, query) != ERROR_SUCCESS)
    {
        return false;
    }
    return ClassifyOsVersion(info, osCode, osClass);
}

bool IsWow64(const char* moduleName, const char* functionName)
{
    CModule module(LoadSystemLibrary(moduleName));
    if (!module.IsValid())
    {
        return false;
    }
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE process, PBOOL wow64);
    const auto isWow64Process = reinterpret_cast<IsWow64ProcessFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module.Get(), functionName)));
    BOOL wow64 = FALSE;
    return isWow64Process != nullptr && isWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

bool IsWindows64()
{
#if defined(_WIN64)
    return true;    // a 64-bit process is not under WOW64, yet it runs only on 64-bit Windows
#else
    return IsWow64();
#endif
}

DWORD ReadRegistryText(HKEY root, const char* subKey, const char* valueName, std::string& text)
{
    std::vector<BYTE> data;
    DWORD type = REG_NONE;
    const DWORD err = CRegistry::GetRawValue(subKey != nullptr ? subKey : "", valueName, root, data, &type);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ)
    {
        return ERROR_INVALID_DATATYPE;
    }
    // Stored data need not end in a zero.
    text = FixedText(reinterpret_cast<const char*>(data.data()), data.size());
    return ERROR_SUCCESS;
}

bool IsWindowsMe(const MachineTextReader& read)
{
    std::optional<std::string> versionNumber;
    if (read)
    {
        versionNumber = read(kCurrentVersionKey, "VersionNumber");
    }
    else
    {
        std::string text;
        if (ReadRegistryText(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "VersionNumber", text) == ERROR_SUCCESS)
        {
            versionNumber = std::move(text);
        }
    }
    return versionNumber && versionNumber->find(kMeVersionMark) != std::string::npos;
}

std::string MakeOsDefineKey(DWORD platformId, DWORD majorVersion, DWORD minorVersion)
{
    return FormatText("0X%04X%02X%02X", static_cast<unsigned>(platformId), static_cast<unsigned>(majorVersion),
                      static_cast<unsigned>(minorVersion));
}

bool ChooseOsDefine(const OsVersionInfo& info, bool windowsMe, const OsDefineLookup& lookup,
                    std::string& osDefine)
{
    for (const std::string& key : OsDefineKeys(info, windowsMe))
    {
        std::optional<std::string> value = lookup(key);
        if (value)
        {
            osDefine = std::move(*value);
            return true;
        }
    }
    return false;
}

bool DetermineOsDefine(CLog& log, const OsDefineLookup& lookup, std::string& osDefine, VersionQuery query,
                       const MachineTextReader& readMachineText)
{
    OsVersionInfo info;
    const DWORD err = QueryOsVersion(info, query);
    if (err != ERROR_SUCCESS)
    {
        log.WriteError(err, "Get OS Version fail");
        return false;
    }
    // Only a system that reports 4.10 needs the registry to tell Windows Me apart.
    const bool windowsMe = info.platformId == VER_PLATFORM_WIN32_WINDOWS && info.majorVersion == 4 &&
                           info.minorVersion == 10 && IsWindowsMe(readMachineText);
    return ChooseOsDefine(info, windowsMe, lookup, osDefine);
}

std::vector<std::string> SectionCandidates(const std::string& baseName, const std::string& osDefine,
                                           const std::string& langAbbr, bool network, bool usb)
{
    std::vector<std::string> kinds;
    if (network && usb)
    {
        kinds.push_back(".NETWORK.USB");
    }
    if (network)
    {
        kinds.push_back(".NETWORK");
    }
    if (usb)
    {
        kinds.push_back(".USB");
    }
    kinds.push_back(std::string());

    std::vector<std::string> candidates;
    for (const std::string& osPart : {"." + osDefine, std::string()})
    {
        for (const std::string& langPart : {"." + langAbbr, std::string()})
        {
            for (const std::string& kind : kinds)
            {
                candidates.push_back(AsciiUpper(baseName + osPart + langPart + kind));
            }
        }
    }
    return candidates;
}

bool ResolveSection(const std::string& baseName, const std::string& osDefine, const std::string& langAbbr,
                    bool network, bool usb, const std::vector<std::string>& sections, std::string& resolved)
{
    for (const std::string& candidate : SectionCandidates(baseName, osDefine, langAbbr, network, usb))
    {
        const auto match = std::find_if(sections.begin(), sections.end(),
                                        [&](const std::string& name) { return EqualsAsciiNoCase(name, candidate); });
        if (match != sections.end())
        {
            resolved = candidate;
            return true;
        }
    }
    return false;
}

bool ResolveSection(const std::string& baseName, const std::string& osDefine, const std::string& langAbbr,
                    bool network, bool usb, const std::string& sectionList, std::string& resolved)
{
    std::vector<std::string> sections;
    size_t start = sectionList.find_first_not_of(" \t");
    while (start != std::string::npos)
    {
        const size_t end = sectionList.find_first_of(" \t", start);
        sections.push_back(sectionList.substr(start, end == std::string::npos ? end : end - start));
        start = sectionList.find_first_not_of(" \t", end);
    }
    return ResolveSection(baseName, osDefine, langAbbr, network, usb, sections, resolved);
}
