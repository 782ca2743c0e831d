#pragma once
// What the driver installer needs from a printer INF: the driver (model) name, its files and the
// files to stage. Read with the profile reader; %strings% are replaced from [Strings].

#include <string>
#include <vector>

struct PrinterInfDriver
{
    std::string name;                                   // the model name, also the driver's name
    std::string driverFile, dataFile, configFile, helpFile;
    std::vector<std::string> files;                     // of the model's CopyFiles sections
};

// False when the INF is not a printer INF or names no model.
bool ReadPrinterInf(const std::string& infPath, PrinterInfDriver& driver);
