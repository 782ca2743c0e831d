#pragma once
// Decisions of the installer environment over plain texts: how a configuration text names a file
// relative to the installer's folder, the directory pieces to create, the Windows directory on a
// terminal server and the default printer port. No system calls except the case-insensitive name
// comparison of the system's code page.

#include <optional>
#include <string>
#include <vector>

// The full path a configuration text names. $SRC_DIR$ is replaced by sourceDir first; then a bare
// drive ("D:") or a text with ":\" at its second position, and a network path ("\\server\..."), are
// taken as they are; a text beginning with ".." continues from sourceDir's parent, one beginning with
// "." from sourceDir itself, and any other text is "<sourceDir>\<text>".
std::string ResolvePathText(const std::string& text, const std::string& sourceDir);

// The path up to, not including, its last backslash; the path itself when it has none.
std::string ParentDirectory(const std::string& path);
// The path with one trailing backslash removed.
std::string WithoutTrailingBackslash(const std::string& path);
// The part after the last backslash (the whole text when there is none).
std::string FileNamePart(const std::string& path);
// The program file's name without its folder and without its extension (Setup for D:\x\Setup.exe).
std::string ApplicationNameOf(const std::string& programFile);

// The format with its first "%s" replaced by the abbreviation; any other '%' stays as it is, so a
// configured format can never make the formatting read arguments that are not there.
std::string FillLanguageFormat(const std::string& format, const std::string& abbreviation);

// The directories to create for directory, outermost first: every piece below the drive ("C:"), the
// share ("\\server\share") or, for a relative path, from its first piece on. Empty pieces (doubled
// backslashes) and one trailing backslash are skipped.
std::vector<std::string> DirectoryChain(const std::string& directory);

// On a terminal server Windows reports each user's own Windows directory; the system's is SystemRoot,
// else the system directory without its last piece. Elsewhere the reported one.
std::string ChooseWindowsDirectory(bool terminalServer, const std::optional<std::string>& systemRoot,
                                   const std::string& systemDir, const std::string& reportedWindowsDir);

// DEFAULT_PORT when the spooler has a port of that name (compared without regard to case); else
// "FILE:" for a USB-only product; else "LPT1:" when the spooler has it, "FILE:" otherwise.
std::string ChooseDefaultPort(const std::string& defaultPort, const std::vector<std::string>& ports,
                              bool usbOnly);
