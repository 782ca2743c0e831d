#pragma once
// System checks, files and folders: what a path names, and the removal of folders left empty. Every
// folder of the installer asks these here. They report by their results and never log.

#include <windows.h>

#include <string>

namespace SystemCheck
{
// True when path names a file, never a folder, that can be opened for reading while others may read it.
// whileOthersWrite: also true for a file another program holds open for writing (sharing reading).
bool FileExists(const char* path, bool whileOthersWrite = false);
// By attributes alone, without opening anything: path names anything (a file or a folder), a folder,
// or a file that is not a folder. False for an empty path.
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsFile(const std::string& path);

// Removes each folder above directory while removal succeeds, nearest first: a folder that is not empty
// or cannot be removed ends the walk. Never a drive ("C:") or a share root ("\\server\share").
void RemoveEmptyParents(const std::string& directory);
// Removes directory, then its parents as above; never a drive root. False only for an empty text.
bool RemoveDirectoryChain(const char* directory);
// Deletes file (false when that fails), then, unless keepDirectories, its directory chain as above.
bool DeleteFileAndEmptyDirs(const char* file, bool keepDirectories);

// Copies source to a new file of folder, named after name with this process's id and a running number
// ("KVDelAll_1A4_5F3C0.exe"), created only where no file of that name exists: a program planted in
// the folder in advance, under whatever name, is never overwritten or started. The copy's path, or
// empty (the system error in *error) when none could be made.
std::string CopyToNewFile(const std::string& source, const std::string& folder, const std::string& name,
                          DWORD* error);
}  // namespace SystemCheck
