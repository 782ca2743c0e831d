#pragma once
// Test support: a fresh folder under the system's temporary directory, removed with everything in
// it when the object goes away (also when the test fails).

#include <windows.h>

#include <string>
#include <utility>

class CTempDir
{
public:
    CTempDir()
    {
        char base[MAX_PATH + 1] = {};
        ::GetTempPathA(MAX_PATH, base);
        static LONG counter = 0;
        for (int attempt = 0; attempt < 1000; ++attempt)
        {
            char name[MAX_PATH + 64] = {};
            wsprintfA(name, "%skvtest_%lu_%ld", base, ::GetCurrentProcessId(), ::InterlockedIncrement(&counter));
            if (::CreateDirectoryA(name, nullptr))
            {
                m_path = name;
                break;
            }
        }
    }
    ~CTempDir() { RemoveTree(m_path); }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::string& Path() const { return m_path; }                 // without a trailing backslash
    std::string File(const std::string& name) const { return m_path + "\\" + name; }

    static void RemoveTree(const std::string& dir)
    {
        if (dir.empty())
        {
            return;
        }
        WIN32_FIND_DATAA data = {};
        HANDLE find = ::FindFirstFileA((dir + "\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE)
        {
            do
            {
                const std::string name = data.cFileName;
                if (name == "." || name == "..")
                {
                    continue;
                }
                const std::string path = dir + "\\" + name;
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                {
                    RemoveTree(path);
                }
                else
                {
                    ::DeleteFileA(path.c_str());
                }
            } while (::FindNextFileA(find, &data));
            ::FindClose(find);
        }
        ::RemoveDirectoryA(dir.c_str());
    }

private:
    std::string m_path;
};

// Points the system's temporary directory (TMP and TEMP) at a folder for the lifetime of the object, so
// that a log or a temporary name the code under test makes lands there.
class CTempDirOverride
{
public:
    explicit CTempDirOverride(const std::string& dir) : m_tmp(Save("TMP")), m_temp(Save("TEMP"))
    {
        const std::string withSlash = !dir.empty() && dir.back() == '\\' ? dir : dir + "\\";
        ::SetEnvironmentVariableA("TMP", withSlash.c_str());
        ::SetEnvironmentVariableA("TEMP", withSlash.c_str());
    }
    ~CTempDirOverride()
    {
        Restore("TMP", m_tmp);
        Restore("TEMP", m_temp);
    }
    CTempDirOverride(const CTempDirOverride&) = delete;
    CTempDirOverride& operator=(const CTempDirOverride&) = delete;

private:
    using Saved = std::pair<bool, std::string>;
    static Saved Save(const char* name)
    {
        char value[MAX_PATH + 1] = {};
        const bool had = ::GetEnvironmentVariableA(name, value, MAX_PATH) != 0;
        return {had, value};
    }
    static void Restore(const char* name, const Saved& saved)
    {
        ::SetEnvironmentVariableA(name, saved.first ? saved.second.c_str() : nullptr);
    }

    Saved m_tmp;
    Saved m_temp;
};

// Restores the current directory when the object goes: the installer makes its own folder the current
// directory, and a test's folder can only be removed once the process has left it.
class CCurrentDirectoryKeeper
{
public:
    CCurrentDirectoryKeeper()
    {
        char dir[MAX_PATH + 1] = {};
        ::GetCurrentDirectoryA(MAX_PATH, dir);
        m_dir = dir;
    }
    ~CCurrentDirectoryKeeper() { ::SetCurrentDirectoryA(m_dir.c_str()); }
    CCurrentDirectoryKeeper(const CCurrentDirectoryKeeper&) = delete;
    CCurrentDirectoryKeeper& operator=(const CCurrentDirectoryKeeper&) = delete;

private:
    std::string m_dir;
};

// Writes bytes to a file, replacing it; false on failure.
inline bool WriteTestFile(const std::string& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        return false;
    }
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

// The whole content of a file (shared read, so files still open for writing can be read); empty
// when it cannot be read.
inline std::string ReadTestFile(const std::string& path)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        return std::string();
    }
    std::string bytes;
    char chunk[65536];
    DWORD read = 0;
    while (::ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0)
    {
        bytes.append(chunk, read);
    }
    ::CloseHandle(file);
    return bytes;
}

inline bool TestFileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
