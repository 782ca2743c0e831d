// The manual viewer started by the installer with "/T <document> <arguments>": opens the document with
// the program the system associates with it and ends at once, so the installer's wizard comes back as
// soon as the manual is on screen. The document path may contain blanks: the longest leading part
// that names an existing file is the document. Steps go to "<temp>Kvopen.log".
// Exit codes: 0 opened, 87 no /T, 2 no such document, else the system error of the open.

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/HelperLog.h"
#include "common/HelperText.h"

namespace
{
const CHelperLog kLog("Kvopen");

// Finds the document at the start of text; the rest are its arguments.
bool SplitDocument(const std::string& text, std::string& document, std::string& arguments)
{
    for (size_t end = text.size(); end != std::string::npos && end > 0; end = text.rfind(' ', end - 1))
    {
        const std::string candidate = helper::Trim(text.substr(0, end));
        if (helper::FileExists(candidate))
        {
            document = candidate;
            arguments = helper::Trim(text.substr(end), " \t");
            return true;
        }
    }
    return false;
}

int Run(const std::string& line)
{
    kLog.Write("Viewer: %s", line.c_str());
    const std::string text = helper::Trim(line, " \t");
    if (text.size() < 2 || text[0] != '/' || (text[1] & ~0x20) != 'T')
    {
        kLog.Write("No /T document given");
        return ERROR_INVALID_PARAMETER;
    }
    std::string document;
    std::string arguments;
    if (!SplitDocument(helper::Trim(text.substr(2), " \t"), document, arguments))
    {
        kLog.Write("Document not found: %s", text.substr(2).c_str());
        return ERROR_FILE_NOT_FOUND;
    }
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "open";
    info.lpFile = document.c_str();
    info.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExA(&info))
    {
        const DWORD err = ::GetLastError();
        kLog.WriteError(err, "Open %s fail", document.c_str());
        return err != 0 ? static_cast<int>(err) : 1;
    }
    kLog.Write("Opened %s %s", document.c_str(), arguments.c_str());
    return 0;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    std::string program;
    std::string arguments;
    helper::SplitCommandLine(::GetCommandLineA(), program, arguments);
    return Run(arguments);
}
