#pragma once
// The line syntax of copy sections (CT_COPY_FILE) and delete sections (CT_DELETE_FILE). Parsing is
// plain text work; the Run functions carry out every line of a section through the copy engine.
// A line that does not parse is skipped; a failing copy or delete does not stop the section.

#include <string>
#include <vector>

class CCopyFile;

// "FILE = source, destination[, save history]" or
// "DIRECTORY = source, destination[, include subdirectories[, save history]]".
struct CopyFileLine
{
    bool directory = false;
    std::string source;
    std::string destination;
    bool includeSubDirectories = true;
    bool saveHistory = true;
};

// "<type> = target": a type containing FILE deletes a file, else one containing DIRECTORY a tree.
struct DeleteFileLine
{
    bool directory = false;
    std::string target;
};

// False (parsed untouched) when the type is neither FILE nor DIRECTORY or the line has no "=".
bool ParseCopyFileLine(const std::string& line, CopyFileLine& parsed);
bool ParseDeleteFileLine(const std::string& line, DeleteFileLine& parsed);

void RunCopyFileLines(CCopyFile& copier, const std::vector<std::string>& lines);
void RunDeleteFileLines(CCopyFile& copier, const std::vector<std::string>& lines);
