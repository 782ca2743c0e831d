#include "items/InfInfo.h"

#include <setupapi.h>

#include "base/APIFunction.h"
#include "base/TextRules.h"
#include "command/FilePath.h"
#include "external/FaultGuard.h"
#include "log/Log.h"

namespace
{
// Replaces every occurrence of word in text.
std::string ReplaceAll(std::string text, const std::string& word, const std::string& replacement)
{
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + replacement.size()))
    {
        text.replace(at, word.size(), replacement);
    }
    return text;
}
}  // namespace

bool CInfInfo::GetClass(const std::string& infPath, std::string& className) const
{
    CAPIFunction api;
    (void)api.Load();
    bool found = false;
    DWORD openError = ERROR_SUCCESS;
    char buffer[kClassSize] = {};
    const CFaultGuard::Outcome outcome = CFaultGuard::Run([&]() {
        UINT errorLine = 0;
        HINF inf = api.SetupOpenInfFileA(infPath.c_str(), nullptr, INF_STYLE_WIN4, &errorLine);
        if (inf == INVALID_HANDLE_VALUE)
        {
            openError = ::GetLastError();
            return;
        }
        DWORD required = 0;
        found = api.SetupGetLineTextA(nullptr, inf, "Version", "Class", buffer, kClassSize, &required) != FALSE;
        (void)api.SetupCloseInfFile(inf);
    });
    if (!outcome.completed)
    {
        m_log.Write("GPF in  CInfInfo::GetClass()");
        return false;
    }
    if (openError != ERROR_SUCCESS)
    {
        m_log.WriteError(openError, "SetupOpenInfFile(%s)", infPath.c_str());
        return false;
    }
    if (!found)
    {
        return false;
    }
    buffer[kClassSize - 1] = '\0';
    className = buffer;
    return true;
}

std::string SubstituteInfWords(const std::string& text, const std::string& infPath,
                               const std::string& destInfPath)
{
    std::string result = ReplaceAll(text, "$SRC_INF$", infPath);
    result = ReplaceAll(result, "$DEST_INF$", destInfPath);
    return ReplaceAll(result, "$INF$", infPath);
}

std::string ReplaceSourceDirectory(const std::string& path, const std::string& sourceDir,
                                   const std::string& destDir)
{
    if (sourceDir.empty())
    {
        return path;
    }
    const size_t at = SystemUpper(path).find(SystemUpper(sourceDir));
    if (at == std::string::npos)
    {
        return path;
    }
    return path.substr(0, at) + destDir + path.substr(at + sourceDir.size());
}
