#include "command/CopyCommands.h"

#include <cstdlib>

#include "base/TextRules.h"
#include "command/CopyFile.h"
#include "command/FilePath.h"

namespace
{
const size_t kMaxCopyFields = 4;

// The fields between commas; empty fields are dropped, so "a,,b" gives two.
std::vector<std::string> SplitFields(const std::string& text, size_t maxFields)
{
    std::vector<std::string> fields;
    size_t start = 0;
    while (start <= text.size() && fields.size() < maxFields)
    {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
        {
            end = text.size();
        }
        if (end > start)
        {
            fields.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return fields;
}

std::string PathField(const std::vector<std::string>& fields, size_t index)
{
    return index < fields.size() ? Trim(fields[index], " \t\"") : std::string();
}

// A missing flag is on; a present one is off only when its number is 0.
bool FlagField(const std::vector<std::string>& fields, size_t index)
{
    return index >= fields.size() || std::strtol(fields[index].c_str(), nullptr, 10) != 0;
}
}  // namespace

bool ParseCopyFileLine(const std::string& line, CopyFileLine& parsed)
{
    const size_t equals = line.find('=');
    if (equals == std::string::npos)
    {
        return false;
    }
    const std::string type = AsciiUpper(Trim(line.substr(0, equals)));
    if (type != "FILE" && type != "DIRECTORY")
    {
        return false;
    }
    const std::vector<std::string> fields = SplitFields(Trim(line.substr(equals + 1), " "), kMaxCopyFields);
    CopyFileLine result;
    result.directory = (type == "DIRECTORY");
    result.source = PathField(fields, 0);
    result.destination = PathField(fields, 1);
    if (result.directory)
    {
        result.includeSubDirectories = FlagField(fields, 2);
        result.saveHistory = FlagField(fields, 3);
    }
    else
    {
        result.saveHistory = FlagField(fields, 2);
    }
    parsed = result;
    return true;
}

bool ParseDeleteFileLine(const std::string& line, DeleteFileLine& parsed)
{
    const size_t equals = line.find('=');
    if (equals == std::string::npos)
    {
        return false;
    }
    const std::string type = AsciiUpper(line.substr(0, equals));
    DeleteFileLine result;
    if (type.find("FILE") != std::string::npos)
    {
        result.directory = false;
    }
    else if (type.find("DIRECTORY") != std::string::npos)
    {
        result.directory = true;
    }
    else
    {
        return false;
    }
    result.target = Trim(line.substr(equals + 1), " ");
    parsed = result;
    return true;
}

void RunCopyFileLines(CCopyFile& copier, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
    {
        CopyFileLine parsed;
        if (!ParseCopyFileLine(line, parsed))
        {
            continue;
        }
        if (parsed.directory)
        {
            (void)copier.CopyDirectory(parsed.source.c_str(), parsed.destination.c_str(),
                                       parsed.includeSubDirectories, parsed.saveHistory);
        }
        else
        {
            (void)copier.CopyFile(parsed.source.c_str(), parsed.destination.c_str(), parsed.saveHistory);
        }
    }
}

void RunDeleteFileLines(CCopyFile& copier, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
    {
        DeleteFileLine parsed;
        if (!ParseDeleteFileLine(line, parsed))
        {
            continue;
        }
        if (parsed.directory)
        {
            (void)copier.DeleteDirectory(parsed.target.c_str(), true);
        }
        else
        {
            (void)copier.DeleteFile(parsed.target.c_str());
        }
    }
}
