#include "discovery/RunFailure.h"

#include <cerrno>
#include <system_error>

namespace signseek {

namespace {

std::string ErrorText(int socketError)
{
    if (socketError == 0) return "unknown cause";
    return std::generic_category().message(socketError);
}

bool NoRoute(int socketError)
{
    return socketError == ENETUNREACH || socketError == ENODEV || socketError == EHOSTUNREACH;
}

}  // namespace

std::string ProbeFailure(const std::string& interfaceAddress, int socketError)
{
    if (interfaceAddress.empty()) return "no network adapter address to search from";
    const std::string prefix = "cannot send the probe from " + interfaceAddress + ": ";
    if (NoRoute(socketError)) return prefix + "no multicast route";
    if (socketError == EADDRNOTAVAIL || socketError == EINVAL) return prefix + "the address is not on this machine";
    return prefix + ErrorText(socketError);
}

std::string ListenFailure(bool udp, const std::string& host, int port, int socketError)
{
    const std::string protocol = udp ? "UDP" : "TCP";
    if (socketError == EADDRINUSE) return protocol + " port " + std::to_string(port) + " is in use by another program";
    if (udp && NoRoute(socketError)) return "cannot join the discovery group on " + host + ": no multicast route";
    const std::string prefix = "cannot listen on " + host + ", " + protocol + " port " + std::to_string(port) + ": ";
    if (socketError == EADDRNOTAVAIL || socketError == 0) return prefix + "the address is not on this machine";
    if (socketError == EACCES) return prefix + "permission denied";
    return prefix + ErrorText(socketError);
}

}  // namespace signseek
