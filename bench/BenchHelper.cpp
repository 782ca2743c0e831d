// The install helper of the item benchmarks: every item installs at once, so that the run's own cost
// is what is measured.

#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI MyInstall(int /*reserved*/, const char* /*installingKey*/,
                                                       const char* /*itemKey*/, int /*installed*/)
{
    return TRUE;
}
