#pragma once
// The pictures of an item's state in the install dialogs, drawn by the installer itself: frames 0 to 4
// of the busy animation (a ring of dots with one lit dot going round), 5 success (a green tick),
// 6 failure (a red cross) and 7 pending (a grey ring). Drawn at any size: 16 pixels for the rows of
// the result list, 32 for the icons of the basic dialog.

#include <windows.h>
#include <commctrl.h>

namespace InstallImages
{
constexpr int kBusyFrames = 5;
constexpr int kSuccess = 5;
constexpr int kFailure = 6;
constexpr int kPending = 7;
constexpr int kCount = 8;

// An image list of the eight pictures at size × size; null when the system cannot make one. The
// caller destroys it (ImageList_Destroy).
HIMAGELIST Make(int size);
}  // namespace InstallImages
