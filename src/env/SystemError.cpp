#include "env/SystemError.h"

#include "base/Scoped.h"
#include "base/UserMessage.h"

namespace SystemCheck
{
std::string SystemErrorText(DWORD code)
{
    char* message = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&message), 0, nullptr);
    CLocalMemory owner(message);
    return length != 0 && message != nullptr ? std::string(message, length) : std::string();
}

void ShowSystemError(DWORD code, const char* caption)
{
    const std::string text = SystemErrorText(code);
    if (!text.empty())
    {
        (void)ShowUserMessage(nullptr, text, caption != nullptr ? caption : "", MB_OK | MB_ICONWARNING);
    }
}
}  // namespace SystemCheck
