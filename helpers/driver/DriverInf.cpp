#include "driver/DriverInf.h"

#include <windows.h>

#include "common/HelperText.h"

namespace
{
std::vector<std::string> SectionLines(const std::string& inf, const std::string& section)
{
    std::vector<char> buffer(32768);
    const DWORD length = ::GetPrivateProfileSectionA(section.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                                     inf.c_str());
    std::vector<std::string> lines;
    for (DWORD at = 0; at < length && buffer[at] != '\0'; at += static_cast<DWORD>(lines.back().size() + 1))
    {
        lines.push_back(buffer.data() + at);
    }
    return lines;
}

// "%NAME%" replaced by the [Strings] value, quotes and blanks trimmed.
std::string Resolve(const std::string& inf, const std::string& text)
{
    std::string value = helper::Trim(text);
    if (value.size() > 2 && value.front() == '%' && value.back() == '%')
    {
        value = helper::Trim(helper::IniString(inf, "Strings", value.substr(1, value.size() - 2).c_str()));
    }
    return value;
}

std::string KeyOf(const std::string& line)
{
    return helper::Trim(line.substr(0, line.find('=')));
}

std::string ValueOf(const std::string& line)
{
    const size_t equal = line.find('=');
    return equal == std::string::npos ? std::string() : helper::Trim(line.substr(equal + 1));
}
}  // namespace

bool ReadPrinterInf(const std::string& inf, PrinterInfDriver& driver)
{
    if (!helper::EqualNoCase(helper::IniString(inf, "Version", "Class"), "Printer"))
    {
        return false;
    }
    const std::vector<std::string> makers = SectionLines(inf, "Manufacturer");
    if (makers.empty())
    {
        return false;
    }
    const std::string modelsSection = helper::Split(ValueOf(makers[0]), ',')[0];
    const std::vector<std::string> models = SectionLines(inf, modelsSection);
    if (models.empty())
    {
        return false;
    }
    driver.name = Resolve(inf, KeyOf(models[0]));
    const std::string install = helper::Split(ValueOf(models[0]), ',')[0];
    driver.driverFile = helper::IniString(inf, install.c_str(), "DriverFile", "PSCRIPT5.DLL");
    driver.dataFile = helper::IniString(inf, install.c_str(), "DataFile");
    driver.configFile = helper::IniString(inf, install.c_str(), "ConfigFile", "PS5UI.DLL");
    driver.helpFile = helper::IniString(inf, install.c_str(), "HelpFile");
    for (const std::string& section : helper::Split(helper::IniString(inf, install.c_str(), "CopyFiles"), ','))
    {
        for (const std::string& line : SectionLines(inf, section))
        {
            driver.files.push_back(helper::Split(line, ',')[0]);
        }
    }
    return !driver.name.empty() && !driver.dataFile.empty();
}
