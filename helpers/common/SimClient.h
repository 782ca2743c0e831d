#pragma once
// The helpers' side of the printer simulator: one request line to 127.0.0.1 on the port the helper's
// setting file names ([SIMULATOR] PORT, default 9190), the answer lines back, all within
// [SIMULATOR] TIMEOUT_MS (default 3000). Result: 0, or the socket error (WSAETIMEDOUT when the
// simulator does not answer in time, WSAECONNREFUSED when none is listening).

#include <winsock.h>

#include <string>
#include <vector>

#include "common/HelperText.h"

namespace helper
{
struct SimulatorAddress
{
    unsigned short port;
    DWORD timeoutMs;
};

inline SimulatorAddress SimulatorOf(HMODULE module)
{
    const std::string settings = SettingFileOf(module);
    return {static_cast<unsigned short>(IniNumber(settings, "SIMULATOR", "PORT", 9190)),
            IniNumber(settings, "SIMULATOR", "TIMEOUT_MS", 3000)};
}

class CWinsock
{
public:
    CWinsock()
    {
        WSADATA data;
        m_started = ::WSAStartup(MAKEWORD(1, 1), &data) == 0;
    }
    ~CWinsock()
    {
        if (m_started)
        {
            ::WSACleanup();
        }
    }
    CWinsock(const CWinsock&) = delete;
    CWinsock& operator=(const CWinsock&) = delete;
    bool Started() const { return m_started; }

private:
    bool m_started = false;
};

struct SocketTraits
{
    using Type = SOCKET;
    static Type Null() { return INVALID_SOCKET; }
    static bool IsValid(Type s) { return s != INVALID_SOCKET; }
    static void Close(Type s) { ::closesocket(s); }
};
using CSocket = CScoped<SocketTraits>;

// Waits until the socket is readable (or writable) or the deadline passes.
inline bool WaitSocket(SOCKET socket, bool write, DWORD deadline)
{
    const DWORD now = ::GetTickCount();
    const DWORD left = static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval wait = {static_cast<long>(left / 1000), static_cast<long>((left % 1000) * 1000)};
    return ::select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &wait) == 1;
}

// Connects socket to the simulator's port; 0, or the socket error.
inline DWORD ConnectSimulator(SOCKET socket, unsigned short port, DWORD deadline)
{
    u_long nonBlocking = 1;
    ::ioctlsocket(socket, FIONBIO, &nonBlocking);
    sockaddr_in target = {};
    target.sin_family = AF_INET;
    target.sin_port = ::htons(port);
    target.sin_addr.s_addr = ::inet_addr("127.0.0.1");
    if (::connect(socket, reinterpret_cast<sockaddr*>(&target), sizeof(target)) != 0 &&
        ::WSAGetLastError() != WSAEWOULDBLOCK)
    {
        return static_cast<DWORD>(::WSAGetLastError());
    }
    if (!WaitSocket(socket, true, deadline))
    {
        // A refused connection shows as "not writable": ask once more whether the port is closed.
        int error = 0;
        int size = sizeof(error);
        ::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
        return error != 0 ? static_cast<DWORD>(error) : WSAETIMEDOUT;
    }
    return 0;
}

// Reads until the simulator closes the connection (or 1 MB has come); false when the deadline passes.
inline bool ReceiveAnswer(SOCKET socket, DWORD deadline, std::string& answer)
{
    for (;;)
    {
        if (!WaitSocket(socket, false, deadline))
        {
            return false;
        }
        char chunk[1024];
        const int got = ::recv(socket, chunk, sizeof(chunk), 0);
        if (got <= 0)
        {
            return true;                                     // the simulator closes after its answer
        }
        answer.append(chunk, static_cast<size_t>(got));
        if (answer.size() > 1024 * 1024)
        {
            return true;
        }
    }
}

inline DWORD AskSimulator(const SimulatorAddress& address, const std::string& request, std::vector<std::string>& lines)
{
    CWinsock winsock;
    if (!winsock.Started())
    {
        return WSASYSNOTREADY;
    }
    CSocket socket(::socket(AF_INET, SOCK_STREAM, 0));
    if (!socket.IsValid())
    {
        return static_cast<DWORD>(::WSAGetLastError());
    }
    const DWORD deadline = ::GetTickCount() + address.timeoutMs;
    const DWORD connected = ConnectSimulator(socket.Get(), address.port, deadline);
    if (connected != 0)
    {
        return connected;
    }
    const std::string line = request + "\n";
    if (::send(socket.Get(), line.c_str(), static_cast<int>(line.size()), 0) != static_cast<int>(line.size()))
    {
        return static_cast<DWORD>(::WSAGetLastError());
    }
    std::string answer;
    if (!ReceiveAnswer(socket.Get(), deadline, answer))
    {
        return WSAETIMEDOUT;
    }
    lines.clear();
    for (const std::string& part : Split(answer, '\n'))
    {
        const std::string text = Trim(part, " \t\r");
        if (!text.empty())
        {
            lines.push_back(text);
        }
    }
    return lines.empty() ? WSAETIMEDOUT : 0;
}
}  // namespace helper
