#include "utility/RegExport.h"

#include <cstdio>
#include <vector>

#include "base/Scoped.h"

namespace
{
std::string Quoted(const char* text, size_t length)
{
    std::string quoted = "\"";
    for (size_t i = 0; i < length && text[i] != '\0'; ++i)
    {
        if (text[i] == '\\' || text[i] == '"')
        {
            quoted += '\\';
        }
        quoted += text[i];
    }
    return quoted + "\"";
}

std::string HexData(DWORD type, const BYTE* data, DWORD size)
{
    char prefix[16];
    std::snprintf(prefix, sizeof(prefix), type == REG_BINARY ? "hex:" : "hex(%lx):", type);
    std::string text = prefix;
    for (DWORD i = 0; i < size; ++i)
    {
        char byte[4];
        std::snprintf(byte, sizeof(byte), i == 0 ? "%02x" : ",%02x", data[i]);
        text += byte;
    }
    return text;
}

std::string ValueLine(const char* name, DWORD type, const std::vector<BYTE>& data, DWORD size)
{
    const std::string left = name[0] == '\0' ? std::string("@") : Quoted(name, std::string(name).size());
    if (type == REG_SZ)
    {
        return left + "=" + Quoted(reinterpret_cast<const char*>(data.data()), size);
    }
    if (type == REG_DWORD && size == sizeof(DWORD))
    {
        char number[32];
        std::snprintf(number, sizeof(number), "dword:%08lx", *reinterpret_cast<const DWORD*>(data.data()));
        return left + "=" + number;
    }
    return left + "=" + HexData(type, data.data(), size);
}

DWORD ExportKey(HKEY root, const std::string& path, const std::string& key, std::string& out)
{
    CRegKey opened;
    const LONG err = ::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.Receive());
    if (err != ERROR_SUCCESS)
    {
        return static_cast<DWORD>(err);
    }
    out += "[" + path + "]\r\n";
    std::vector<BYTE> data(65536);
    for (DWORD index = 0;; ++index)
    {
        char name[16384] = {};
        DWORD nameSize = sizeof(name);
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (::RegEnumValueA(opened.Get(), index, name, &nameSize, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        {
            break;
        }
        out += ValueLine(name, type, data, size) + "\r\n";
    }
    out += "\r\n";
    for (DWORD index = 0;; ++index)
    {
        char child[256] = {};
        if (::RegEnumKeyA(opened.Get(), index, child, sizeof(child)) != ERROR_SUCCESS)
        {
            break;
        }
        const std::string sub = key.empty() ? std::string(child) : key + "\\" + child;
        (void)ExportKey(root, path + "\\" + child, sub, out);
    }
    return ERROR_SUCCESS;
}
}  // namespace

DWORD ExportRegistryKey(HKEY root, const std::string& rootName, const std::string& key, const std::string& file)
{
    std::string text = "REGEDIT4\r\n\r\n";
    const DWORD err = ExportKey(root, rootName + "\\" + key, key, text);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    CHandle out(::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.IsValid())
    {
        return ::GetLastError();
    }
    DWORD written = 0;
    if (!::WriteFile(out.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
    {
        return ::GetLastError();
    }
    return written == text.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}
