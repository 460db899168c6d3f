#include "discovery/RouteSource.h"

#include "common/UniqueFd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace signseek {

std::string LocalAddressTowards(const std::string& target)
{
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(9);  // any port: connect only picks the route
    if (inet_pton(AF_INET, target.c_str(), &peer.sin_addr) != 1) return {};
    UniqueFd fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (fd.Get() < 0) return {};
    if (connect(fd.Get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) return {};
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&local), &length) != 0 || local.sin_family != AF_INET)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &local.sin_addr, text, sizeof text)) return {};
    return text;
}

}  // namespace signseek
