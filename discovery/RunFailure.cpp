#include "discovery/RunFailure.h"

#include "discovery/SocketCauses.h"

#include <cerrno>

namespace signseek {

std::string ProbeFailure(const std::string& interfaceAddress, int socketError, int ttl, int port)
{
    if (interfaceAddress.empty()) return "no network adapter address to search from";
    return "cannot send the probe from " + interfaceAddress + ": " + ProbeCause(socketError, {ttl, port});
}

std::string ListenFailure(bool udp, const std::string& host, int port, int socketError)
{
    const std::string protocol = udp ? "UDP" : "TCP";
    if (socketError == EADDRINUSE) {
        if (udp) return protocol + " port " + std::to_string(port) + " is in use by another program";
        return ReplyPortHeld(port) + "; end it, or choose another reply port";
    }
    if (udp && (socketError == ENETUNREACH || socketError == ENODEV || socketError == EHOSTUNREACH))
        return "cannot join the discovery group on " + host + ": no multicast route";
    const std::string prefix = "cannot listen on " + host + ", " + protocol + " port " + std::to_string(port) + ": ";
    // 0: the address did not resolve to one of ours.
    if (socketError == 0) return prefix + "the address is not on this machine";
    return prefix + ListenCause(socketError, port);
}

std::string ReplyPortHeld(int port)
{
    return "TCP port " + std::to_string(port) +
           " is held by another Signseek search (a watch or the window) or by another program";
}

}  // namespace signseek
