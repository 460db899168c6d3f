#pragma once
// Free port numbers on 127.0.0.1 for tests that run side by side in one
// private network namespace.

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <istream>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace signseek {

namespace testports {

// A port the kernel just handed out for `type` (SOCK_DGRAM or SOCK_STREAM).
inline int FreeLoopbackPort(int type)
{
    int fd = socket(AF_INET, type, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

inline int FreeUdpPort() { return FreeLoopbackPort(SOCK_DGRAM); }
inline int FreeTcpPort() { return FreeLoopbackPort(SOCK_STREAM); }

// A TCP connection to 127.0.0.1:port; -1 when nothing accepts it.
inline int ConnectTo(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// A TCP connection to 127.0.0.1:port begun without waiting for it to be
// accepted (a storm opens thousands at once); -1 without a descriptor.
inline int StartConnect(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    (void)connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
    return fd;
}

// Waits until some process has a UDP socket bound to `port` (a simulator
// that has started listening), at most `limit`. A loaded machine can take
// far longer to start a program than a fixed pause allows.
inline bool WaitForUdpListener(int port, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    const auto end = std::chrono::steady_clock::now() + limit;
    do {
        std::ifstream table("/proc/net/udp");
        std::string slot, local, rest;
        while (table >> slot >> local && std::getline(table, rest))
            if (local.size() > 5 && local.compare(local.size() - 5, 5, wanted) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

}  // namespace testports

}  // namespace signseek
