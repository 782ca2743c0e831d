// The install helper library: MyInstall runs one item's program as its registry record describes,
// waits for it and for the record's completion conditions, and marks the item installed;
// MyCreateShortCut creates the shortcut of a shortcut record. Every step is logged in "<temp>Kvrun.log".

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "common/HelperLog.h"
#include "common/HelperText.h"
#include "install/ItemRun.h"

#define HELPER_EXPORT extern "C" __declspec(dllexport)

namespace
{
HMODULE g_module = nullptr;                                  // this library, for its setting file
const CHelperLog kLog("Kvrun");

// How long a program and a completion condition may take; the setting file beside the library can
// change both ([WAIT] PROGRAM_SECONDS, CONDITION_SECONDS).
struct WaitLimits
{
    DWORD programMs;
    DWORD conditionMs;
};

WaitLimits ReadWaitLimits()
{
    const std::string settings = helper::SettingFileOf(g_module);
    return {helper::IniNumber(settings, "WAIT", "PROGRAM_SECONDS", 1800) * 1000,
            helper::IniNumber(settings, "WAIT", "CONDITION_SECONDS", 300) * 1000};
}

std::string ReadText(const std::string& key, const char* name)
{
    std::string value;
    return helper::ReadRegString(HKEY_LOCAL_MACHINE, key, name, value) ? value : std::string();
}

bool ReadItemRecord(const std::string& itemKey, const std::string& installingKey, ItemRecordValues& record)
{
    CRegKey opened;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, itemKey.c_str(), 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS)
    {
        return false;
    }
    record.name = ReadText(itemKey, "Item_Name");
    record.instCmd = ReadText(itemKey, "InstCmd");
    record.uninstCmd = ReadText(itemKey, "UninstCmd");
    record.reinstCmd = ReadText(itemKey, "ReinstCmd");
    record.instParam = ReadText(itemKey, "InstParam");
    record.uninstParam = ReadText(itemKey, "UninstParam");
    record.reinstParam = ReadText(itemKey, "ReinstParam");
    record.uninstallValueName = ReadText(itemKey, "Uninstall_Value_Name");
    if (!record.uninstallValueName.empty())
    {
        // The uninstall-information root lies beside the Installing root.
        const std::string infoKey = helper::DirectoryOf(installingKey) + "\\UninstallInfo";
        record.uninstallInfoCommand = ReadText(infoKey, record.uninstallValueName.c_str());
    }
    record.waitFile = ReadText(itemKey, "WaitFile");
    record.waitRegKey = ReadText(itemKey, "WaitRegKey");
    record.waitRegValue = ReadText(itemKey, "WaitRegValue");
    record.waitRegStrData = ReadText(itemKey, "WaitRegStrData");
    record.hasWaitRegIntData = helper::ReadRegNumber(HKEY_LOCAL_MACHINE, itemKey, "WaitRegIntData",
                                                     record.waitRegIntData);
    (void)helper::ReadRegNumber(HKEY_LOCAL_MACHINE, itemKey, "Success_Return", record.successReturn);
    return true;
}

// The program as given when it has a folder, else as the system's search finds it; empty when absent.
std::string FindProgram(const std::string& program)
{
    if (program.find('\\') != std::string::npos || program.find(':') != std::string::npos)
    {
        return helper::FileExists(program) ? program : std::string();
    }
    char found[MAX_PATH + 1] = {};
    char* filePart = nullptr;
    const DWORD length = ::SearchPathA(nullptr, program.c_str(), nullptr, MAX_PATH, found, &filePart);
    return length > 0 && length <= MAX_PATH ? std::string(found) : std::string();
}

// Starts the program and waits for it within the limit. True with its exit code when it ended in
// time; a program the shell handed to a running process counts as ended with the expected code.
bool RunProgram(const std::string& program, const std::string& arguments, DWORD limitMs, DWORD expected,
                DWORD& exitCode)
{
    const std::string folder = helper::DirectoryOf(program);
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "open";
    info.lpFile = program.c_str();
    info.lpParameters = arguments.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExA(&info))
    {
        kLog.WriteError(::GetLastError(), "Start %s fail", program.c_str());
        return false;
    }
    CHandle process(info.hProcess);
    if (!process.IsValid())
    {
        kLog.Write("%s was handed to a running program; its exit code is not known", program.c_str());
        exitCode = expected;
        return true;
    }
    if (::WaitForSingleObject(process.Get(), limitMs) != WAIT_OBJECT_0)
    {
        kLog.Write("%s did not end within %lu seconds", program.c_str(), limitMs / 1000);
        return false;
    }
    (void)::GetExitCodeProcess(process.Get(), &exitCode);
    return true;
}

bool RegistryConditionHolds(const ItemRecordValues& record)
{
    std::string subKey;
    const HKEY root = helper::SplitRoot(record.waitRegKey, subKey);
    if (record.waitRegValue.empty())
    {
        CRegKey opened;
        return ::RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, opened.Receive()) == ERROR_SUCCESS;
    }
    const char* name = record.waitRegValue.c_str();
    if (record.hasWaitRegIntData)
    {
        DWORD number = 0;
        return helper::ReadRegNumber(root, subKey, name, number) && number == record.waitRegIntData;
    }
    std::string text;
    if (!helper::ReadRegString(root, subKey, name, text))
    {
        DWORD number = 0;
        return record.waitRegStrData.empty() && helper::ReadRegNumber(root, subKey, name, number);
    }
    return record.waitRegStrData.empty() || helper::EqualNoCase(text, record.waitRegStrData);
}

bool WaitForConditions(const ItemRecordValues& record, DWORD limitMs)
{
    if (!record.waitFile.empty())
    {
        kLog.Write("Wait for file %s", record.waitFile.c_str());
        if (!helper::WaitUntil([&] { return helper::FileExists(record.waitFile); }, limitMs))
        {
            kLog.Write("File %s did not appear within %lu seconds", record.waitFile.c_str(), limitMs / 1000);
            return false;
        }
    }
    if (!record.waitRegKey.empty())
    {
        kLog.Write("Wait for registry %s [%s]", record.waitRegKey.c_str(), record.waitRegValue.c_str());
        if (!helper::WaitUntil([&] { return RegistryConditionHolds(record); }, limitMs))
        {
            kLog.Write("Registry %s [%s] did not reach the expected state within %lu seconds",
                       record.waitRegKey.c_str(), record.waitRegValue.c_str(), limitMs / 1000);
            return false;
        }
    }
    return true;
}

bool RunItem(const std::string& installingKey, const std::string& itemKey, bool installed)
{
    ItemRecordValues record;
    if (!ReadItemRecord(itemKey, installingKey, record))
    {
        kLog.Write("Item record %s cannot be read; nothing run", itemKey.c_str());
        return false;
    }
    DWORD setupType = 1;
    (void)helper::ReadRegNumber(HKEY_LOCAL_MACHINE, installingKey, "Setup_Type", setupType);
    const ItemRunPlan plan = PlanItemRun(record, setupType, installed);
    const char* kind = RunKindName(plan.kind);
    if (plan.program.empty())
    {
        kLog.Write("[%s] has no %s command; nothing run", record.name.c_str(), kind);
        return false;
    }
    const std::string program = FindProgram(plan.program);
    if (program.empty())
    {
        kLog.Write("[%s] %s command %s does not exist", record.name.c_str(), kind, plan.program.c_str());
        return false;
    }
    const WaitLimits limits = ReadWaitLimits();
    kLog.Write("[%s] %s: %s %s", record.name.c_str(), kind, program.c_str(), plan.arguments.c_str());
    DWORD exitCode = 0;
    if (!RunProgram(program, plan.arguments, limits.programMs, record.successReturn, exitCode))
    {
        return false;
    }
    if (exitCode != record.successReturn)
    {
        kLog.Write("[%s] exit code %lu, success is %lu: fail", record.name.c_str(), exitCode, record.successReturn);
        return false;
    }
    if (plan.waitConditions && !WaitForConditions(record, limits.conditionMs))
    {
        return false;
    }
    if (plan.kind != ItemRunKind::kUninstall)
    {
        // The installer takes InstallNow = 2 as the only sign that the item is really installed.
        const DWORD err = helper::WriteRegNumber(HKEY_LOCAL_MACHINE, itemKey, "InstallNow", 2);
        if (err != ERROR_SUCCESS)
        {
            kLog.WriteError(err, "[%s] InstallNow cannot be written", record.name.c_str());
            return false;
        }
    }
    kLog.Write("[%s] %s success", record.name.c_str(), kind);
    return true;
}

// The Start menu's program folder (Group 0) or the desktop (Group 1), all users first.
std::string ShortcutFolder(DWORD group)
{
    const int common = group == 1 ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_COMMON_PROGRAMS;
    const int own = group == 1 ? CSIDL_DESKTOPDIRECTORY : CSIDL_PROGRAMS;
    for (int folder : {common, own})
    {
        LPITEMIDLIST list = nullptr;
        if (FAILED(::SHGetSpecialFolderLocation(nullptr, folder, &list)) || list == nullptr)
        {
            continue;                                        // Windows 9x has no all-users folders
        }
        char path[MAX_PATH + 1] = {};
        const BOOL found = ::SHGetPathFromIDListA(list, path);
        ::CoTaskMemFree(list);
        if (found && path[0] != '\0')
        {
            return path;
        }
    }
    return std::string();
}

DWORD SaveShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments,
                   const std::string& startIn, const std::string& iconFile, DWORD iconIndex,
                   const std::string& description)
{
    IShellLinkA* link = nullptr;
    HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                        reinterpret_cast<void**>(&link));
    if (FAILED(result))
    {
        return static_cast<DWORD>(result);
    }
    link->SetPath(target.c_str());
    link->SetArguments(arguments.c_str());
    link->SetWorkingDirectory(startIn.c_str());
    link->SetDescription(description.c_str());
    if (!iconFile.empty())
    {
        link->SetIconLocation(iconFile.c_str(), static_cast<int>(iconIndex));
    }
    IPersistFile* file = nullptr;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result))
    {
        WCHAR widePath[MAX_PATH + 1] = {};
        ::MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH);
        result = file->Save(widePath, TRUE);
        file->Release();
    }
    link->Release();
    return SUCCEEDED(result) ? ERROR_SUCCESS : static_cast<DWORD>(result);
}

bool CreateShortcut(const std::string& key)
{
    const std::string name = ReadText(key, "Name");
    const std::string target = helper::Trim(ReadText(key, "Target"));
    if (name.empty() || target.empty())
    {
        kLog.Write("Shortcut record %s has no name or no target; nothing created", key.c_str());
        return false;
    }
    if (!helper::FileExists(target))
    {
        kLog.Write("Shortcut [%s]: target %s does not exist", name.c_str(), target.c_str());
        return false;
    }
    DWORD group = 0;
    DWORD iconIndex = 0;
    (void)helper::ReadRegNumber(HKEY_LOCAL_MACHINE, key, "Group", group);
    (void)helper::ReadRegNumber(HKEY_LOCAL_MACHINE, key, "Icon_Index", iconIndex);
    std::string folder = ShortcutFolder(group);
    const std::string subFolder = helper::Trim(ReadText(key, "Folder_Name"), " \t\\");
    if (folder.empty())
    {
        kLog.Write("Shortcut [%s]: no folder for group %lu", name.c_str(), group);
        return false;
    }
    if (group != 1 && !subFolder.empty())
    {
        folder += "\\" + subFolder;
        (void)::CreateDirectoryA(folder.c_str(), nullptr);
    }
    const std::string linkPath = folder + "\\" + name + ".lnk";
    const DWORD err = SaveShortcut(linkPath, target, ReadText(key, "Argument"), ReadText(key, "Start_in"),
                                   ReadText(key, "Icon_File"), iconIndex, ReadText(key, "Icon_Description"));
    if (err != ERROR_SUCCESS)
    {
        kLog.WriteError(err, "Shortcut [%s]: %s cannot be saved", name.c_str(), linkPath.c_str());
        return false;
    }
    // The installer records this path so that the uninstall removes the shortcut again.
    (void)helper::WriteRegString(HKEY_LOCAL_MACHINE, key, "Shortcut_Path", linkPath);
    kLog.Write("Shortcut [%s] created: %s", name.c_str(), linkPath.c_str());
    return true;
}
}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        g_module = instance;
    }
    return TRUE;
}

HELPER_EXPORT BOOL WINAPI MyInstall(int reserved, const char* installingKey, const char* itemKey, int installed)
{
    const std::string installing = helper::Text(installingKey);
    const std::string item = helper::Text(itemKey);
    kLog.Write("MyInstall(%d,%s,%s,%d)", reserved, installing.c_str(), item.c_str(), installed);
    if (installing.empty() || item.empty())
    {
        kLog.Write("MyInstall: no item record given");
        return FALSE;
    }
    return RunItem(installing, item, installed != 0) ? TRUE : FALSE;
}

HELPER_EXPORT BOOL WINAPI MyCreateShortCut(int reserved, const char* installingKey, const char* shortcutKey)
{
    const std::string key = helper::Text(shortcutKey);
    kLog.Write("MyCreateShortCut(%d,%s,%s)", reserved, helper::Text(installingKey).c_str(), key.c_str());
    CRegKey opened;
    if (key.empty() ||
        ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, opened.Receive()) != ERROR_SUCCESS)
    {
        kLog.Write("Shortcut record %s cannot be read; nothing created", key.c_str());
        return FALSE;
    }
    const HRESULT com = ::CoInitialize(nullptr);
    const bool created = CreateShortcut(key);
    if (SUCCEEDED(com))
    {
        ::CoUninitialize();
    }
    return created ? TRUE : FALSE;
}
