#pragma once
// Platform identification: the OS code and class of the running Windows, the OS define string the data
// file chooses for it, and the choice of the most specific OS-, language- and product-keyed section.
// Decisions are plain functions over the values below; only the Query/Is/Read functions call Windows.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CLog;

// OS codes. 1, 5, 8, 15 and 17 are never produced.
constexpr int OS_WIN32S = 2;
constexpr int OS_WIN95 = 3;
constexpr int OS_WIN95_OSR2 = 4;
constexpr int OS_WIN98 = 6;
constexpr int OS_WIN98_SE = 7;
constexpr int OS_WINME = 9;
constexpr int OS_WIN9X_OTHER = 10;
constexpr int OS_NT3 = 11;
constexpr int OS_NT4 = 12;
constexpr int OS_WIN2000 = 13;
constexpr int OS_WINXP = 14;
constexpr int OS_WIN2003 = 16;
constexpr int OS_VISTA = 18;

// OS classes.
constexpr int OSCLASS_WIN32S = 2;
constexpr int OSCLASS_9X = 10;
constexpr int OSCLASS_NT4 = 15;
constexpr int OSCLASS_NT5 = 17;

// What the system tells about itself, as the classifier and the OS define choice need it.
struct OsVersionInfo
{
    DWORD platformId = 0;                 // VER_PLATFORM_WIN32s 0, VER_PLATFORM_WIN32_WINDOWS 1, _NT 2
    DWORD majorVersion = 0;
    DWORD minorVersion = 0;
    std::string servicePack;              // as reported; Windows 9x pads its letter with blanks (" A ")
    BYTE productType = 0;                 // VER_NT_WORKSTATION 1, VER_NT_DOMAIN_CONTROLLER 2, VER_NT_SERVER 3
    bool hasExtendedInfo = false;         // productType is only meaningful when true
    bool windows64 = false;               // 64-bit Windows: a 32-bit process under WOW64, or a 64-bit process
};

// Fills OSVERSIONINFOA or OSVERSIONINFOEXA as GetVersionExA does; tests pass a refusing one.
using VersionQuery = BOOL(WINAPI*)(LPOSVERSIONINFOA info);

// Classifies the version into an OS code and class. False (outputs untouched) for a platform id that
// is not Win32s, 9x or NT.
bool ClassifyOsVersion(const OsVersionInfo& info, int& osCode, int& osClass);

// Asks for the extended version information, then for the basic one; fills windows64 too. Returns
// the system error of the basic query when both are refused; info is written only on success.
DWORD QueryOsVersion(OsVersionInfo& info, VersionQuery query = nullptr);

// The running Windows' OS code and class. False only when both version queries are refused; the
// outputs are then untouched.
bool GetOsVersionCode(int& osCode, int& osClass, VersionQuery query = nullptr);

// True when this process runs under WOW64; false when the function does not exist (Windows 9x, NT 4,
// 2000, XP before SP2) or fails. The names are parameters so that tests can reach the missing case.
bool IsWow64(const char* moduleName = "Kernel32.dll", const char* functionName = "IsWow64Process");

// True on 64-bit Windows: always for a 64-bit build, else when the process runs under WOW64.
bool IsWindows64();

// Reads a string value (REG_SZ or REG_EXPAND_SZ, unexpanded) of any length. ERROR_FILE_NOT_FOUND for a
// missing key or value, ERROR_INVALID_DATATYPE for another type; text is written only on success.
DWORD ReadRegistryText(HKEY root, const char* subKey, const char* valueName, std::string& text);

// Reads a string value under HKEY_LOCAL_MACHINE; nothing when it cannot be read.
using MachineTextReader = std::function<std::optional<std::string>(const char* subKey, const char* valueName)>;

// Windows Me reports itself as 4.10 on some systems: its VersionNumber value tells it apart. The reader
// defaults to the real registry.
bool IsWindowsMe(const MachineTextReader& read = nullptr);

// "0X%04X%02X%02X" of platform id, major and minor version (0X00020501 for Windows XP).
std::string MakeOsDefineKey(DWORD platformId, DWORD majorVersion, DWORD minorVersion);

// Looks up a key of the data file's OS_DEFINE section; nothing when the key is missing.
using OsDefineLookup = std::function<std::optional<std::string>(const std::string& key)>;

// Chooses the OS define string by trying the OS_DEFINE keys for this version in their fixed order.
// False (osDefine untouched) when none of them exists.
bool ChooseOsDefine(const OsVersionInfo& info, bool windowsMe, const OsDefineLookup& lookup,
                    std::string& osDefine);

// Queries the running Windows and chooses its OS define string. When the version cannot be read it
// logs "Get OS Version fail" with the system error and fails; osDefine is written only on success.
// The version query and the registry reader default to the real ones.
bool DetermineOsDefine(CLog& log, const OsDefineLookup& lookup, std::string& osDefine,
                       VersionQuery query = nullptr, const MachineTextReader& readMachineText = nullptr);

// The section names tried for a base name, most specific first: base.OS.LANG.NETWORK.USB down to base,
// upper-cased, with only the product kinds that are on. An empty OS or LANG leaves an empty part.
std::vector<std::string> SectionCandidates(const std::string& baseName, const std::string& osDefine,
                                           const std::string& langAbbr, bool network, bool usb);

// The first candidate that names one of the sections (compared without regard to case). False
// (resolved untouched) when none does.
bool ResolveSection(const std::string& baseName, const std::string& osDefine, const std::string& langAbbr,
                    bool network, bool usb, const std::vector<std::string>& sections, std::string& resolved);
// The same over the profile's section list as one text of names separated by blanks.
bool ResolveSection(const std::string& baseName, const std::string& osDefine, const std::string& langAbbr,
                    bool network, bool usb, const std::string& sectionList, std::string& resolved);
