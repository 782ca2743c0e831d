// The printer simulator: a small server on 127.0.0.1 that answers as a set of network printers, so
// the network helpers can be used without hardware. Its settings file (the first argument, else
// "KvPrnSim.ini" beside it):
//   [SIMULATOR] PORT=9190 (0: any free port), PORT_FILE=path (the port taken is written there),
//               LIFETIME_SECONDS=600 (then it stops by itself), SILENT=1 (accepts but never answers, so
//               that clients run into their time-out)
//   [PRINTERn]  (n = 0, 1, ...) MODEL, IP, MAC (aa-bb-cc-dd-ee-ff), MASK, GATEWAY, DEVICE_ID, IPX,
//               SETIP_RESULT (the error code a set-address request answers; 0 changes the address)
//   [REMOTE]    REFUSE=pc1,pc2 (computers a remote install fails for)
// One request line per connection, answered and closed:
//   LIST -> "model|mac|ip|mask|gateway" per printer;  DESC ip -> "OK id" or "NONE";  IPX ip -> "OK ipx"
//   or "NONE";  SETIP mac ip mask gateway -> "OK" or "ERR code";  INSTALL pc -> "OK" or "ERR";
//   QUIT -> "BYE" and the simulator stops.
// Exit codes: 0 stopped, 10048 the port is in use, else the socket error.

#include <winsock.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/HelperLog.h"
#include "common/HelperText.h"
#include "common/SimClient.h"

namespace
{
const CHelperLog kLog("KvPrnSim");

struct SimPrinter
{
    std::string model, ip, mac, mask, gateway, deviceId, ipx;
    DWORD setIpResult = 0;
};

struct Simulation
{
    unsigned short port = 9190;
    std::string portFile;
    DWORD lifetimeMs = 600000;
    bool silent = false;
    std::vector<SimPrinter> printers;
    std::vector<std::string> refused;
};

Simulation ReadSimulation(const std::string& file)
{
    Simulation sim;
    sim.port = static_cast<unsigned short>(helper::IniNumber(file, "SIMULATOR", "PORT", 9190));
    sim.portFile = helper::IniString(file, "SIMULATOR", "PORT_FILE");
    sim.lifetimeMs = helper::IniNumber(file, "SIMULATOR", "LIFETIME_SECONDS", 600) * 1000;
    sim.silent = helper::IniNumber(file, "SIMULATOR", "SILENT", 0) != 0;
    for (int index = 0; index < 256; ++index)
    {
        const std::string section = "PRINTER" + std::to_string(index);
        SimPrinter printer;
        printer.ip = helper::IniString(file, section.c_str(), "IP");
        if (printer.ip.empty())
        {
            break;
        }
        printer.model = helper::IniString(file, section.c_str(), "MODEL");
        printer.mac = helper::IniString(file, section.c_str(), "MAC");
        printer.mask = helper::IniString(file, section.c_str(), "MASK", "255.255.255.0");
        printer.gateway = helper::IniString(file, section.c_str(), "GATEWAY", "0.0.0.0");
        printer.deviceId = helper::IniString(file, section.c_str(), "DEVICE_ID");
        printer.ipx = helper::IniString(file, section.c_str(), "IPX");
        printer.setIpResult = helper::IniNumber(file, section.c_str(), "SETIP_RESULT", 0);
        sim.printers.push_back(printer);
    }
    sim.refused = helper::Split(helper::IniString(file, "REMOTE", "REFUSE"), ',');
    return sim;
}

SimPrinter* FindPrinter(Simulation& sim, const std::string& key, bool byMac)
{
    for (SimPrinter& printer : sim.printers)
    {
        if (helper::EqualNoCase(byMac ? printer.mac : printer.ip, key))
        {
            return &printer;
        }
    }
    return nullptr;
}

std::string Answer(Simulation& sim, const std::string& request, bool& quit)
{
    const std::vector<std::string> words = helper::Split(request, ' ');
    const std::string verb = helper::Upper(words[0]);
    const std::string first = words.size() > 1 ? words[1] : std::string();
    if (verb == "LIST")
    {
        std::string text;
        for (const SimPrinter& p : sim.printers)
        {
            text += p.model + "|" + p.mac + "|" + p.ip + "|" + p.mask + "|" + p.gateway + "\n";
        }
        return text + "END\n";
    }
    if (verb == "DESC" || verb == "IPX")
    {
        const SimPrinter* printer = FindPrinter(sim, first, false);
        const std::string value = printer == nullptr ? std::string() : (verb == "DESC" ? printer->deviceId : printer->ipx);
        return value.empty() ? "NONE\n" : "OK " + value + "\n";
    }
    if (verb == "SETIP" && words.size() == 5)
    {
        SimPrinter* printer = FindPrinter(sim, first, true);
        if (printer == nullptr)
        {
            return "ERR 2\n";
        }
        if (printer->setIpResult != 0)
        {
            return "ERR " + std::to_string(printer->setIpResult) + "\n";
        }
        printer->ip = words[2];
        printer->mask = words[3];
        printer->gateway = words[4];
        return "OK\n";
    }
    if (verb == "INSTALL" && !first.empty())
    {
        for (const std::string& pc : sim.refused)
        {
            if (helper::EqualNoCase(pc, first))
            {
                return "ERR\n";
            }
        }
        return "OK\n";
    }
    if (verb == "QUIT")
    {
        quit = true;
        return "BYE\n";
    }
    return "ERR 87\n";
}

// Reads one request line from a fresh connection (at most two seconds), answers it and closes.
void Serve(Simulation& sim, SOCKET client, bool& quit)
{
    std::string request;
    const DWORD deadline = ::GetTickCount() + 2000;
    while (request.find('\n') == std::string::npos && request.size() < 4096 &&
           helper::WaitSocket(client, false, deadline))
    {
        char chunk[512];
        const int got = ::recv(client, chunk, sizeof(chunk), 0);
        if (got <= 0)
        {
            break;
        }
        request.append(chunk, static_cast<size_t>(got));
    }
    request = helper::Trim(request.substr(0, request.find('\n')), " \t\r");
    if (request.empty())
    {
        return;
    }
    const std::string answer = Answer(sim, request, quit);
    kLog.Write("%s -> %s", request.c_str(), helper::Trim(answer, " \r\n").c_str());
    (void)::send(client, answer.c_str(), static_cast<int>(answer.size()), 0);
}

int Run(const std::string& settings)
{
    Simulation sim = ReadSimulation(settings);
    helper::CWinsock winsock;
    helper::CSocket listener(::socket(AF_INET, SOCK_STREAM, 0));
    if (!winsock.Started() || !listener.IsValid())
    {
        return WSASYSNOTREADY;
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(sim.port);
    address.sin_addr.s_addr = ::inet_addr("127.0.0.1");      // never reachable from another machine
    if (::bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener.Get(), 8) != 0)
    {
        const int err = ::WSAGetLastError();
        kLog.Write("Port %u cannot be used (error %d)%s", sim.port, err, err == WSAEADDRINUSE ? ": in use" : "");
        return err;
    }
    int size = sizeof(address);
    ::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &size);
    const unsigned port = ::ntohs(address.sin_port);
    kLog.Write("Simulating %u printer(s) on 127.0.0.1:%u%s", static_cast<unsigned>(sim.printers.size()), port,
               sim.silent ? ", silent" : "");
    if (!sim.portFile.empty())
    {
        ::WritePrivateProfileStringA("SIMULATOR", "PORT", std::to_string(port).c_str(), sim.portFile.c_str());
    }
    std::vector<helper::CSocket> held;                       // a silent simulator keeps its clients waiting
    const DWORD start = ::GetTickCount();
    bool quit = false;
    while (!quit && ::GetTickCount() - start < sim.lifetimeMs)
    {
        if (!helper::WaitSocket(listener.Get(), false, ::GetTickCount() + 500))
        {
            continue;
        }
        helper::CSocket client(::accept(listener.Get(), nullptr, nullptr));
        if (!client.IsValid())
        {
            continue;
        }
        if (sim.silent)
        {
            if (held.size() < 64)
            {
                held.push_back(std::move(client));
            }
            continue;
        }
        Serve(sim, client.Get(), quit);
    }
    kLog.Write(quit ? "Simulator stopped on request" : "Simulator stopped after its lifetime");
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    return Run(argc > 1 ? std::string(argv[1]) : helper::SettingFileOf(nullptr));
}
