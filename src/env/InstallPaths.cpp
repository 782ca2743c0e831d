#include "env/InstallPaths.h"

#include "base/PathText.h"
#include "base/TextRules.h"
#include "profile/ProfilePlatform.h"
#include "profile/ProfileText.h"

namespace
{
const char kSourceDirMacro[] = "$SRC_DIR$";

// Positions of every backslash that is a character of its own: in a double-byte code page the second
// byte of a character may be 0x5C and must not split a path.
std::vector<size_t> BackslashPositions(const std::string& path)
{
    return PathText::Separators(path, IsSystemLeadByte);
}

bool IsDriveText(const std::string& path)
{
    return path.size() >= 2 && path[1] == ':' && (path.size() == 2 || path[2] == '\\');
}

bool IsNetworkPath(const std::string& path)
{
    return path.compare(0, 2, "\\\\") == 0;
}

// Length of the part no directory is created for: "C:" or "\\server\share"; 0 for a relative path.
size_t RootLength(const std::string& path, const std::vector<size_t>& backslashes)
{
    if (path.size() >= 2 && path[1] == ':')
    {
        return 2;
    }
    if (IsNetworkPath(path))
    {
        // The backslashes at 0 and 1 open the path; the next two end the server and the share names.
        return backslashes.size() > 3 ? backslashes[3] : path.size();
    }
    return 0;
}

void ReplaceEvery(std::string& text, const std::string& token, const std::string& value)
{
    for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + value.size()))
    {
        text.replace(at, token.size(), value);
    }
}
}  // namespace

std::string ResolvePathText(const std::string& text, const std::string& sourceDir)
{
    // $SRC_DIR$ goes first: a text beginning with it names a full path and must not be put below the
    // source directory a second time.
    std::string path = text;
    ReplaceEvery(path, kSourceDirMacro, sourceDir);
    if (IsDriveText(path) || IsNetworkPath(path))
    {
        return path;
    }
    if (path.compare(0, 2, "..") == 0)
    {
        return ParentDirectory(sourceDir) + path.substr(2);
    }
    if (!path.empty() && path[0] == '.')
    {
        return sourceDir + path.substr(1);
    }
    return sourceDir + "\\" + path;
}

std::string ParentDirectory(const std::string& path)
{
    return PathText::LastSeparator(path, IsSystemLeadByte) == std::string::npos
               ? path
               : PathText::DirectoryPart(path, IsSystemLeadByte);
}

std::string WithoutTrailingBackslash(const std::string& path)
{
    return PathText::WithoutTrailingSeparator(path, IsSystemLeadByte);
}

std::string FileNamePart(const std::string& path)
{
    return PathText::NamePart(path, IsSystemLeadByte);
}

std::string ApplicationNameOf(const std::string& programFile)
{
    const std::string name = FileNamePart(programFile);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string FillLanguageFormat(const std::string& format, const std::string& abbreviation)
{
    return FillPlaceholder(format, abbreviation);
}

std::vector<std::string> DirectoryChain(const std::string& directory)
{
    const std::string path = WithoutTrailingBackslash(directory);
    const std::vector<size_t> backslashes = BackslashPositions(path);
    const size_t root = RootLength(path, backslashes);
    std::vector<std::string> chain;
    size_t pieceStart = root;
    for (size_t i = 0; i <= backslashes.size(); ++i)
    {
        const size_t end = i < backslashes.size() ? backslashes[i] : path.size();
        if (end < root)
        {
            continue;
        }
        if (end > pieceStart && !(end == pieceStart + 1 && path[pieceStart] == '\\'))
        {
            chain.push_back(path.substr(0, end));
        }
        pieceStart = end;
    }
    return chain;
}

std::string ChooseWindowsDirectory(bool terminalServer, const std::optional<std::string>& systemRoot,
                                   const std::string& systemDir, const std::string& reportedWindowsDir)
{
    if (!terminalServer)
    {
        return reportedWindowsDir;
    }
    if (systemRoot && !systemRoot->empty())
    {
        return *systemRoot;
    }
    return ParentDirectory(WithoutTrailingBackslash(systemDir));
}

std::string ChooseDefaultPort(const std::string& defaultPort, const std::vector<std::string>& ports,
                              bool usbOnly)
{
    const auto exists = [&ports](const std::string& name) {
        for (const std::string& port : ports)
        {
            if (SameTextNoCase(port.c_str(), name.c_str()))
            {
                return true;
            }
        }
        return false;
    };
    if (!defaultPort.empty() && exists(defaultPort))
    {
        return defaultPort;
    }
    if (usbOnly)
    {
        return "FILE:";
    }
    return exists("LPT1:") ? "LPT1:" : "FILE:";
}
