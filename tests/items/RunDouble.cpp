// A stand-in for the install helper library: MyInstall and MyCreateShortCut answer as the file
// answers.ini beside the library tells them, and do what a real helper leaves behind, so that runs of
// the installer can be checked from outside. Every call is appended to calls.txt beside the library.
//
// answers.ini: section [MyInstall] or [MyCreateShortCut], key = item or shortcut section name, value
// "1" (the default) or another number to return, "fault" for an access violation, "hang" to never return. On success an
// install marks the item record installed (InstallNow = 2), writes "<Dest_Dir>\<item>.txt" and the
// item's UninstallInfo value; an uninstall removes the file and the value. A shortcut is a file
// "<NAME>.lnk" in the folder [Shortcuts] Folder names (else in Dest_Dir); its path goes into Shortcut_Path.

#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/Scoped.h"

namespace
{
HMODULE g_module = nullptr;

std::string Beside(const char* name)
{
    char path[MAX_PATH + 1] = {};
    ::GetModuleFileNameA(g_module, path, MAX_PATH);
    std::string text = path;
    return text.substr(0, text.find_last_of('\\') + 1) + name;
}

std::string ReadText(const char* key, const char* name)
{
    char text[1024] = {};
    DWORD size = sizeof(text) - 1;
    CRegKey handle;
    if (key == nullptr || ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, handle.Receive()) != ERROR_SUCCESS)
    {
        return std::string();
    }
    (void)::RegQueryValueExA(handle.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    return text;
}

DWORD ReadNumber(const char* key, const char* name, DWORD fallback)
{
    DWORD value = fallback;
    DWORD size = sizeof(value);
    CRegKey handle;
    if (key != nullptr && ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, handle.Receive()) == ERROR_SUCCESS)
    {
        (void)::RegQueryValueExA(handle.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    }
    return value;
}

void WriteText(const std::string& key, const char* name, const std::string& text)
{
    CRegKey handle;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, handle.Receive(),
                          nullptr) == ERROR_SUCCESS)
    {
        (void)::RegSetValueExA(handle.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>(text.size() + 1));
    }
}

void WriteNumber(const char* key, const char* name, DWORD value)
{
    CRegKey handle;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_WRITE, handle.Receive()) == ERROR_SUCCESS)
    {
        (void)::RegSetValueExA(handle.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                               sizeof(value));
    }
}

void DeleteValue(const std::string& key, const char* name)
{
    CRegKey handle;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_WRITE, handle.Receive()) == ERROR_SUCCESS)
    {
        (void)::RegDeleteValueA(handle.Get(), name);
    }
}

void AppendCall(const std::string& line)
{
    CHandle file(::CreateFileA(Beside("calls.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.IsValid())
    {
        const std::string text = line + "\r\n";
        DWORD written = 0;
        (void)::WriteFile(file.Get(), text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

// The answer for a name: its number, or -1 for a fault.
int Answer(const char* section, const std::string& name)
{
    char text[64] = {};
    (void)::GetPrivateProfileStringA(section, name.c_str(), "1", text, sizeof(text), Beside("answers.ini").c_str());
    if (::lstrcmpiA(text, "hang") == 0)
    {
        ::Sleep(INFINITE);                                    // until the test ends the process
    }
    return ::lstrcmpiA(text, "fault") == 0 ? -1 : atoi(text);
}

void Fault()
{
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

// "Software\<MFG>\<PROGRAM_NAME>\Installing" becomes "...\UninstallInfo".
std::string UninstallInfoKey(const std::string& installingKey)
{
    return installingKey.substr(0, installingKey.find_last_of('\\') + 1) + "UninstallInfo";
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

extern "C" __declspec(dllexport) BOOL WINAPI MyInstall(int, const char* installingKey, const char* itemKey,
                                                        int installed)
{
    const std::string item = ReadText(itemKey, "Item_Name");
    const DWORD setupType = ReadNumber(installingKey, "Setup_Type", 1);
    AppendCall("MyInstall " + item + " " + std::to_string(setupType) + " " + std::to_string(installed));
    const int answer = Answer("MyInstall", item);
    if (answer == -1)
    {
        Fault();
    }
    if (answer == 0)
    {
        return FALSE;
    }
    std::string destination = ReadText(installingKey, "Dest_Dir");
    if (destination.empty())
    {
        const std::string root(installingKey);
        destination = ReadText((root.substr(0, root.find_last_of('\\') + 1) + "Installed").c_str(), "Dest_Dir");
    }
    const std::string file = destination + "\\" + item + ".txt";
    const std::string uninstallValue = ReadText(itemKey, "Uninstall_Value_Name");
    if (setupType == 2)
    {
        (void)::DeleteFileA(file.c_str());
        if (!uninstallValue.empty())
        {
            DeleteValue(UninstallInfoKey(installingKey), uninstallValue.c_str());
        }
        return answer;
    }
    const CHandle made(::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                     nullptr));                 // an empty file
    if (!uninstallValue.empty())
    {
        WriteText(UninstallInfoKey(installingKey), uninstallValue.c_str(), "installed");
    }
    WriteNumber(itemKey, "InstallNow", 2);
    return answer;
}

extern "C" __declspec(dllexport) BOOL WINAPI MyCreateShortCut(int, const char* installingKey,
                                                               const char* shortcutKey)
{
    const std::string name = ReadText(shortcutKey, "Name");
    AppendCall("MyCreateShortCut " + name);
    const int answer = Answer("MyCreateShortCut", name);
    if (answer <= 0)
    {
        return FALSE;
    }
    char folder[MAX_PATH] = {};
    (void)::GetPrivateProfileStringA("Shortcuts", "Folder", "", folder, sizeof(folder), Beside("answers.ini").c_str());
    const std::string path =
        (folder[0] != '\0' ? std::string(folder) : ReadText(installingKey, "Dest_Dir")) + "\\" + name + ".lnk";
    const CHandle made(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                     nullptr));                 // an empty file
    WriteText(shortcutKey, "Shortcut_Path", path);
    return answer;
}

// The utility library's SaveFile: writes the key path into the file; [SaveFile] Result (default 1).
extern "C" __declspec(dllexport) BOOL WINAPI SaveFile(const char* file, const char* keyPath, int)
{
    AppendCall(std::string("SaveFile ") + keyPath);
    const int answer = Answer("SaveFile", "Result");
    if (answer != 0)
    {
        CHandle handle(::CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (handle.IsValid())
        {
            DWORD written = 0;
            (void)::WriteFile(handle.Get(), keyPath, static_cast<DWORD>(std::string(keyPath).size()), &written,
                              nullptr);
        }
    }
    return answer;
}

struct RemoteBlock
{
    char field[8][256];
};

// The remote install library: one call per computer; [DoRemoteInstall] <computer> (default 1).
extern "C" __declspec(dllexport) BOOL WINAPI DoRemoteInstall(RemoteBlock* block)
{
    std::string line = "DoRemoteInstall";
    for (const auto& field : block->field)
    {
        line += std::string("|") + field;
    }
    AppendCall(line);
    const int answer = Answer("DoRemoteInstall", block->field[0]);
    if (answer == -1)
    {
        Fault();
    }
    return answer;
}

// The diagnosis library; DiagnosisEx answers [DiagnosisEx] <printer> (default 1).
extern "C" __declspec(dllexport) int WINAPI Diagnosis(const char* mfg, const char* printer, const char*, const char*)
{
    AppendCall(std::string("Diagnosis ") + mfg + " " + printer);
    return 1;
}

extern "C" __declspec(dllexport) int WINAPI DiagnosisEx(const char* mfg, const char* printer, const char*,
                                                         const char*, int)
{
    AppendCall(std::string("DiagnosisEx ") + mfg + " " + printer);
    return Answer("DiagnosisEx", printer);
}

// The pre-installer library.
extern "C" __declspec(dllexport) int WINAPI Preinstall(const char* commandLine, HWND)
{
    AppendCall(std::string("Preinstall ") + commandLine);
    return 0;
}
