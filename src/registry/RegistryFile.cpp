// Export of a key tree to a text file in the profile format, and import of such a file.
#include "registry/Registry.h"

#include <cstring>
#include <string>

#include "base/Text.h"
#include "profile/Profile.h"
#include "profile/SectionList.h"
#include "registry/KeyPath.h"
#include "registry/RegFileText.h"

namespace
{
const DWORD kValueBufferSize = 4096;
const DWORD kNameBufferSize = 260;

REGSAM ViewBits(REGSAM view)
{
    return view & (KEY_WOW64_64KEY | KEY_WOW64_32KEY);
}

void ExportValues(HKEY key, CSectionList& document, SECTION_LIST* section)
{
    for (DWORD index = 0;; ++index)
    {
        char name[kNameBufferSize] = {};
        DWORD nameLength = kNameBufferSize;
        BYTE data[kValueBufferSize + 1] = {};                 // one spare zero byte ends a full buffer
        DWORD dataSize = kValueBufferSize;
        DWORD type = REG_NONE;
        const LONG err = ::RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &dataSize);
        if (err == ERROR_NO_MORE_ITEMS)
        {
            return;
        }
        if (err != ERROR_SUCCESS)
        {
            continue;                                         // a value that cannot be read is left out
        }
        const std::string line = FormatRegValueLine(name, type, data);
        if (!line.empty())
        {
            (void)document.AddLine(section, line.c_str());
        }
    }
}

// The key's section, then each subkey's subtree, then the key's own values into its section: the
// file lists every parent before its children.
DWORD ExportKey(CSectionList& document, HKEY root, const char* rootName, const std::string& path, REGSAM view)
{
    CRegKey key;
    const DWORD err = static_cast<DWORD>(::RegOpenKeyExA(
        root, path.c_str(), 0, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE | ViewBits(view), key.Receive()));
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    SECTION_LIST* section = document.AddSection(FormatText("%s\\%s", rootName, path.c_str()).c_str());
    if (section == nullptr)
    {
        return ERROR_INVALID_DATA;                            // a name too long for a section
    }
    for (DWORD index = 0;; ++index)
    {
        char name[kNameBufferSize] = {};
        DWORD nameLength = kNameBufferSize;
        const LONG enumerated = ::RegEnumKeyExA(key.Get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (enumerated == ERROR_NO_MORE_ITEMS)
        {
            break;
        }
        if (enumerated == ERROR_SUCCESS)
        {
            (void)ExportKey(document, root, rootName, JoinKeyPath(path, name), view);   // a failed subtree is left out
        }
    }
    ExportValues(key.Get(), document, section);
    return ERROR_SUCCESS;
}

DWORD ImportValue(HKEY key, const char* lineKey, const char* lineValue)
{
    const RegFileValue value = ParseRegValueLine(lineKey, lineValue);
    switch (value.kind)
    {
    case RegFileValue::kString:
        return static_cast<DWORD>(::RegSetValueExA(key, value.name.c_str(), 0, REG_SZ,
                                                   reinterpret_cast<const BYTE*>(value.text.c_str()),
                                                   static_cast<DWORD>(value.text.size())));
    case RegFileValue::kDword:
        return static_cast<DWORD>(::RegSetValueExA(key, value.name.c_str(), 0, REG_DWORD,
                                                   reinterpret_cast<const BYTE*>(&value.number),
                                                   sizeof(value.number)));
    case RegFileValue::kIgnored:
        return ERROR_SUCCESS;
    default:
        return ERROR_INVALID_DATA;
    }
}
}  // namespace

DWORD CRegistry::SaveToFile(const char* key, const char* file, HKEY root, REGSAM view)
{
    if (key == nullptr || key[0] == '\0' || file == nullptr || file[0] == '\0')
    {
        return ERROR_INVALID_PARAMETER;
    }
    const char* rootName = RegRootName(root);
    if (rootName == nullptr)
    {
        return ERROR_NOT_SUPPORTED;
    }
    // New and exclusive: an existing file is never overwritten, and nobody reads a half-written one.
    CHandle handle(::CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr));
    if (!handle.IsValid())
    {
        return ::GetLastError();
    }
    CSectionList document;
    const DWORD err = ExportKey(document, root, rootName, key, view);
    if (err != ERROR_SUCCESS)
    {
        return err;
    }
    return document.SaveFile(handle.Get());
}

// The lines are taken from the document as they were read, not through the profile readers, which
// would expand %NAME% tokens and turn \r and \n into line breaks inside values (C:\new would break).
DWORD CRegistry::LoadFromFile(const char* file, REGSAM view)
{
    CSectionList document;
    DWORD result = CProfile::LoadFile(file, document);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    if (document.GetFirstSection() == nullptr)
    {
        return ERROR_INVALID_DATA;                            // a file without sections
    }
    for (const SECTION_LIST* section = document.GetFirstSection(); section != nullptr; section = section->nextSection)
    {
        HKEY root = HKEY_LOCAL_MACHINE;
        std::string path;
        SplitRegSection(section->name, &root, &path);
        CRegKey key;
        if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | ViewBits(view),
                              nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
        {
            continue;                                         // the section's lines are skipped
        }
        for (const LINE_LIST* line = section->firstLine; line != nullptr; line = line->nextLine)
        {
            result = ImportValue(key.Get(), line->key, line->value);
        }
    }
    return result;
}
