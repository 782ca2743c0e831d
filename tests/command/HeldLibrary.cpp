// A library the tests load from a copied path, so that the copy is in use the way an installed
// program file is: it can be renamed but neither written nor deleted.

#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall KvHeldLibraryVersion()
{
    return 1;
}
