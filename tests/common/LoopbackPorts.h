#pragma once
// Free port numbers on 127.0.0.1 for tests that run side by side in one
// private network namespace.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testports {

// A port the kernel just handed out for `type` (SOCK_DGRAM or SOCK_STREAM).
inline int FreeLoopbackPort(int type)
{
    int fd = socket(AF_INET, type, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

inline int FreeUdpPort() { return FreeLoopbackPort(SOCK_DGRAM); }
inline int FreeTcpPort() { return FreeLoopbackPort(SOCK_STREAM); }

}  // namespace testports
