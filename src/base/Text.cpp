#include "base/Text.h"

#include <cstdio>
#include <cstring>
#include <vector>

bool CopyText(char* buffer, size_t size, const char* source)
{
    if (buffer == nullptr || size == 0)
    {
        return false;
    }
    if (source == nullptr)
    {
        buffer[0] = '\0';
        return true;
    }
    const size_t length = std::strlen(source);
    const size_t copied = length < size ? length : size - 1;
    std::memcpy(buffer, source, copied);
    buffer[copied] = '\0';
    return copied == length;
}

std::string FormatTextV(const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed <= 0)
    {
        return std::string();
    }
    std::vector<char> text(static_cast<size_t>(needed) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    return std::string(text.data(), static_cast<size_t>(needed));
}

std::string FormatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    return text;
}
