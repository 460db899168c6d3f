// The reply port checks on Linux: a TCP socket bound as the HTTP listener
// binds it (address reuse on), then closed.

#include "common/UniqueFd.h"
#include "discovery/ReplyPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

namespace signseek {

namespace {

// A bound socket on address:port, or an invalid one with the errno in error.
UniqueFd BindTcp(const std::string& address, std::uint16_t port, int& error)
{
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        error = EADDRNOTAVAIL;
        return UniqueFd();
    }
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    int on = 1;
    if (fd.Get() < 0 || ::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = errno;
        return UniqueFd();
    }
    error = 0;
    return fd;
}

class LinuxReplyPorts : public ReplyPortProbe {
public:
    int TryBind(const std::string& address, std::uint16_t port) const override
    {
        int error = 0;
        BindTcp(address, port, error);
        return error;
    }

    std::uint16_t AnyFreePort(const std::string& address) const override
    {
        int error = 0;
        UniqueFd fd = BindTcp(address, 0, error);
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        if (fd.Get() < 0 || ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&bound), &length) != 0) return 0;
        return ntohs(bound.sin_port);
    }
};

}  // namespace

const ReplyPortProbe& SystemReplyPorts()
{
    static const LinuxReplyPorts ports;
    return ports;
}

}  // namespace signseek
