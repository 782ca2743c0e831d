#pragma once
// Writes a registry key with its values and sub-keys as a "REGEDIT4" text file, the form the
// system's registry editor imports. Result: a Windows error code (ERROR_SUCCESS when written).

#include <windows.h>

#include <string>

DWORD ExportRegistryKey(HKEY root, const std::string& rootName, const std::string& key, const std::string& file);
