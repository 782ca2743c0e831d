#pragma once
// What the installer creates is recorded so that an uninstall can remove it again. Parts that create
// files, directories, keys, values or shortcuts get a recorder and report each thing they created;
// the uninstall records behind it decide where it is stored.

#include <functional>
#include <string>

enum HistoryKind
{
    kHistoryFile = 0,
    kHistoryDirectory = 1,
    kHistoryRegistryKey = 2,
    kHistoryRegistryValue = 3,
    kHistoryShortcut = 4,
    kHistoryDestinationDirectory = 5,
};

// Records one created thing; false when it could not be recorded. An empty recorder records nothing.
using HistoryRecorder = std::function<bool(const std::string& text, HistoryKind kind)>;
