#include "app/StartDecision.h"

#include "base/TextRules.h"
#include "env/Platform.h"

namespace
{
bool IsSeparator(char c)
{
    return c == '/' || c == '-';
}

// A switch's value is given without the blanks and quotes around it.
const char kSwitchValueTrimmed[] = " \t\"";
}  // namespace

std::vector<std::string> SplitSwitchTokens(const std::string& text)
{
    std::vector<std::string> tokens;
    size_t at = 0;
    while (at < text.size())
    {
        while (at < text.size() && IsSeparator(text[at]))
        {
            ++at;
        }
        const size_t start = at;
        while (at < text.size() && !IsSeparator(text[at]))
        {
            ++at;
        }
        if (at > start)
        {
            tokens.push_back(text.substr(start, at - start));
        }
    }
    return tokens;
}

CommandLineChoice ParseCommandLineText(const std::string& text)
{
    CommandLineChoice choice;
    for (const std::string& token : SplitSwitchTokens(text))
    {
        const char letter = AsciiUpper(token[0]);
        switch (letter)
        {
        case 'A':
        case 'L':
        case 'P':
            choice.settings.push_back({letter, Trim(token.substr(1), kSwitchValueTrimmed)});
            break;
        case 'D':
            choice.runMode = RUN_DELETE_ALL;
            break;
        case 'R':
            choice.runMode = RUN_REINSTALL;
            break;
        case 'U':
            choice.runMode = RUN_UNINSTALL;
            break;
        case 'S':
            choice.silent = true;
            break;
        default:
            break;
        }
    }
    return choice;
}

std::vector<StartSectionCandidate> StartSectionCandidates(int runMode, bool cdSource)
{
    switch (runMode)
    {
    case RUN_REINSTALL:
        return {{cdSource ? "REINST_START_INFO_CD" : "REINST_START_INFO_LOCAL", RUN_REINSTALL_CD},
                {"REINST_START_INFO", RUN_REINSTALL},
                {"UNINST_START_INFO", RUN_UNINSTALL},
                {"INSTALL_START_INFO", RUN_INSTALL}};
    case RUN_UNINSTALL:
        return {{"UNINST_START_INFO", RUN_UNINSTALL},
                {"REINST_START_INFO", RUN_REINSTALL},
                cdSource ? StartSectionCandidate{"REINST_START_INFO_CD", RUN_REINSTALL_CD}
                         : StartSectionCandidate{"REINST_START_INFO_LOCAL", RUN_REINSTALL_LOCAL},
                {"INSTALL_START_INFO", RUN_INSTALL}};
    case RUN_DELETE_ALL:
        return {{"DELETEALL_START_INFO", RUN_DELETE_ALL},
                {"REINST_START_INFO", RUN_REINSTALL},
                {"UNINST_START_INFO", RUN_UNINSTALL},
                {"INSTALL_START_INFO", RUN_INSTALL}};
    default:
        return {{"INSTALL_START_INFO", RUN_INSTALL}};
    }
}

StartChoice FindStartSection(int runMode, bool cdSource, const StartSectionResolver& resolve)
{
    StartChoice choice;
    for (const StartSectionCandidate& candidate : StartSectionCandidates(runMode, cdSource))
    {
        std::string section;
        if (resolve(candidate.section, section))
        {
            choice.section = section;
            choice.runMode = candidate.runMode;
            break;
        }
    }
    return choice;
}

DWORD OsVerValue(int osClass)
{
    if (osClass == OSCLASS_9X)
    {
        return 1;
    }
    return osClass == OSCLASS_NT4 ? 2 : 3;
}
