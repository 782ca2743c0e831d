// The pre-installer library: called once before the wizard with
// "/P <data file> /S <source> /D <destination> /R <history key> /L <language folder> /A <abbreviation>".
// This product needs nothing prepared; the call checks that the data file exists and logs the line.
// Result: 0, or ERROR_FILE_NOT_FOUND / ERROR_INVALID_PARAMETER. Steps go to "<temp>KVpre.log".

#include <windows.h>

#include <string>

#include "common/HelperLog.h"
#include "common/HelperText.h"

#define HELPER_EXPORT extern "C" __declspec(dllexport)

HELPER_EXPORT int WINAPI Preinstall(const char* commandLine, HWND window)
{
    static const CHelperLog log("KVpre");
    const std::string line = helper::Text(commandLine);
    log.Write("Preinstall(%s)", line.c_str());
    const size_t data = line.find("/P ");
    if (data == std::string::npos)
    {
        log.Write("No data file given");
        return ERROR_INVALID_PARAMETER;
    }
    const size_t end = line.find(" /S ", data);
    const std::string file = helper::Trim(line.substr(data + 3, end == std::string::npos ? std::string::npos : end - data - 3));
    if (!helper::FileExists(file))
    {
        log.Write("Data file %s does not exist", file.c_str());
        return ERROR_FILE_NOT_FOUND;
    }
    return 0;
}
