#pragma once
// Test state for the profile tests: a temporary folder removed at the end, files written byte for byte,
// and an open file handle of the kind CSectionList::SaveFile takes.

#include "profile/ProfilePlatform.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

class CTempFolder
{
public:
    CTempFolder()
    {
        static std::atomic<int> counter{0};
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        m_path = std::filesystem::temp_directory_path() /
                 ("kv_profile_test_" + std::to_string(ticks) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(m_path);
    }
    ~CTempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    // Writes text to the named file in the folder and returns its path.
    std::string Write(const std::string& name, const std::string& text) const
    {
        const std::string path = Path(name);
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        return path;
    }
    std::string Read(const std::string& name) const
    {
        std::ifstream file(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    std::string Path(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// An open file for writing, closed by the destructor.
class CTestOutputFile
{
public:
    explicit CTestOutputFile(const std::string& path)
    {
#if defined(_WIN32)
        m_handle = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
#else
        m_handle = std::fopen(path.c_str(), "wb");
#endif
    }
    ~CTestOutputFile() { Close(); }
    CTestOutputFile(const CTestOutputFile&) = delete;
    CTestOutputFile& operator=(const CTestOutputFile&) = delete;
    HANDLE Get() const { return m_handle; }
    void Close()
    {
#if defined(_WIN32)
        if (m_handle != INVALID_HANDLE_VALUE)
        {
            ::CloseHandle(m_handle);
        }
        m_handle = INVALID_HANDLE_VALUE;
#else
        if (m_handle != nullptr)
        {
            std::fclose(static_cast<FILE*>(m_handle));
        }
        m_handle = nullptr;
#endif
    }

private:
    HANDLE m_handle;
};

// True when the process runs with the double-byte ANSI code page 932 (the Japanese system locale).
inline bool IsShiftJisCodePage()
{
#if defined(_WIN32)
    return ::GetACP() == 932;
#else
    return false;
#endif
}
