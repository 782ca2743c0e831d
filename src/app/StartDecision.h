#pragma once
// The decisions Setup.exe takes at start-up, as plain functions over texts and numbers: the run modes,
// the switches of the command line, the start sections tried for a run mode, and the OS_Ver start value.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Run modes. All but RUN_SCRIPT are also stored as Setup_Type under the Installing key.
constexpr int RUN_NONE = 0;                   // no start section: the start fails
constexpr int RUN_INSTALL = 1;
constexpr int RUN_UNINSTALL = 2;
constexpr int RUN_REINSTALL = 3;
constexpr int RUN_REINSTALL_LOCAL = 4;        // REINST_START_INFO_LOCAL reached from an uninstall
constexpr int RUN_REINSTALL_CD = 5;           // REINST_START_INFO_CD, or _LOCAL reached from a reinstall
constexpr int RUN_DELETE_ALL = 6;
constexpr int RUN_SCRIPT = 7;                 // script install driven by the setting file

// Longer command lines are cut to this many characters.
constexpr size_t kMaxCommandLineLength = 16383;

// A switch that carries a value: A destination, L language, P port. The letter is upper case; the value
// is trimmed of spaces, tabs and double quotes at both ends.
struct CommandLineSetting
{
    char letter;
    std::string value;
};

// What the command line asks for.
struct CommandLineChoice
{
    int runMode = RUN_INSTALL;                // the last of D, R and U; RUN_INSTALL without any
    bool silent = false;                      // S
    std::vector<CommandLineSetting> settings; // A, L and P in the order given
};

// The tokens of a command line: the runs of characters between '/' and '-' separators (runs of
// separators count as one, so a value that holds '-' is cut there).
std::vector<std::string> SplitSwitchTokens(const std::string& text);

// Reads each token by its first character, without regard to case; unknown tokens are ignored.
CommandLineChoice ParseCommandLineText(const std::string& text);

// One start section to try and the run mode it gives when it exists.
struct StartSectionCandidate
{
    const char* section;
    int runMode;
};

// The start sections tried for a run mode, in order. cdSource: the installer runs from a CD drive.
std::vector<StartSectionCandidate> StartSectionCandidates(int runMode, bool cdSource);

// Finds the configuration's section for a candidate name (the most specific variant of it), writing its
// name; false when the configuration has none.
using StartSectionResolver = std::function<bool(const char* candidate, std::string& section)>;

// The section a run starts with and the run mode it gives.
struct StartChoice
{
    std::string section;
    int runMode = RUN_NONE;
};

// The first of the run mode's candidates that resolve finds; runMode RUN_NONE when there is none.
StartChoice FindStartSection(int runMode, bool cdSource, const StartSectionResolver& resolve);

// The OS_Ver start value of an OS class: 1 for Windows 9x, 2 for the NT 4 class, 3 otherwise.
DWORD OsVerValue(int osClass);
