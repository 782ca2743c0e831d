#pragma once
// Text helpers shared by every folder. Text is 8-bit in the system's ANSI code page.

#include <cstdarg>
#include <cstddef>
#include <string>

// Copies at most size - 1 bytes of source into a buffer of size bytes and always terminates it.
// Returns false (with the cut text stored) when source did not fit; does nothing for size 0.
bool CopyText(char* buffer, size_t size, const char* source);

// printf-style formatting into a string of any length.
std::string FormatText(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string FormatTextV(const char* format, va_list args);
