#pragma once
// System checks, files and folders: what a path names, and the removal of folders left empty. Every
// folder of the installer asks these here. They report by their results and never log.

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
}  // namespace SystemCheck
