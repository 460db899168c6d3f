#include "discovery/SocketCauses.h"

#include <cerrno>
#include <system_error>

namespace signseek {

namespace {

// Causes that read the same for any step; empty for the ones that do not.
std::string CommonCause(int socketError)
{
    switch (socketError) {
    case 0: return "unknown cause";
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENODEV: return "no multicast route";
    case ENETDOWN: return "the network is down";
    case EADDRNOTAVAIL: return "the address is not on this machine";
    case ENOBUFS:
    case ENOMEM: return "the system is out of network buffers";
    case EMFILE:
    case ENFILE: return "too many open files";
    case EAFNOSUPPORT:
    case EPROTONOSUPPORT: return "IPv4 is not available on this machine";
    default: return {};
    }
}

}  // namespace

std::string ProbeCause(int socketError, const ProbeValues& values)
{
    if (std::string common = CommonCause(socketError); !common.empty()) return common;
    switch (socketError) {
    case EINVAL:
        if (values.ttl < -1 || values.ttl > 255)
            return "the system refuses the TTL " + std::to_string(values.ttl) + " (it takes 0 to 255)";
        if (values.port == 0 || values.port > 65535)
            return "the system refuses the discovery port " + std::to_string(values.port) + " (it takes 1 to 65535)";
        return "the system refuses a value of the probe (invalid argument)";
    case EPERM: return "a firewall rule or security policy refuses the probe";
    case EACCES: return "permission denied";
    case EMSGSIZE: return "the probe is larger than the network takes";
    default: return std::generic_category().message(socketError);
    }
}

std::string ListenCause(int socketError, int port)
{
    if (std::string common = CommonCause(socketError); !common.empty()) return common;
    switch (socketError) {
    case EACCES:
    case EPERM:
        return port > 0 && port < 1024 ? "permission denied (ports below 1024 need administrator rights)"
                                       : "permission denied";
    case EINVAL: return "the system refuses port " + std::to_string(port) + " (invalid argument)";
    default: return std::generic_category().message(socketError);
    }
}

}  // namespace signseek
