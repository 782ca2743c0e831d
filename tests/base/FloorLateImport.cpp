// A program that imports a function the oldest supported systems lack (Windows Vista and later), so
// that the import check can be seen to refuse it. Never run.

#include <windows.h>

extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();

int main()
{
    return static_cast<int>(GetTickCount64() & 1);
}
