#include "wire/ProbeSender.h"

#include "wire/NamespaceTable.h"
#include "wire/ProbeBody.h"
#include "wire/Transport.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace signseek::wire {

ProbeProxy::ProbeProxy() : DiscoveryProxy(SOAP_IO_UDP) { PrepareContext(this, TransportMode::Udp); }

ProbeProxy::~ProbeProxy()
{
    if (soap_valid_socket(socket)) fclosesocket(this, socket);
    socket = SOAP_INVALID_SOCKET;
}

int SendProbeMessage(soap* proxy, const char* endpoint, const disc__ProbeType& probe, const char* interfaceAddress,
                     int ttl, const std::vector<std::uint16_t>& sourcePorts)
{
    if (int rc = PrepareProbeSocket(proxy, endpoint, interfaceAddress, ttl, sourcePorts)) return rc;
    return SendPreparedProbe(proxy, probe);
}

int PrepareProbeSocket(soap* proxy, const char* endpoint, const char* interfaceAddress, int ttl,
                       const std::vector<std::uint16_t>& sourcePorts)
{
    if (int rc = Connect(proxy, endpoint, kProbeAction)) return rc;
    if (!sourcePorts.empty() && BindSourcePort(proxy, sourcePorts) == 0) {
        // Every port taken: the one the send would take, taken now.
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_addr.s_addr = htonl(INADDR_ANY);
        if (::bind(proxy->socket, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
            proxy->errnum = errno;
            return proxy->error = SOAP_UDP_ERROR;
        }
    }
    return SetMulticastOptions(proxy, interfaceAddress, ttl);
}

int SendPreparedProbe(soap* proxy, const disc__ProbeType& probe)
{
    return SendMessage(proxy, [&probe](XmlWriter& w) { WriteProbeBody(w, probe); });
}

int SendProbeTo(soap* proxy, const char* endpoint, const disc__ProbeType& probe, int fromSocket)
{
    if (int rc = Connect(proxy, endpoint, kProbeAction)) return rc;
    if (fromSocket >= 0) {
        const int copy = dup(fromSocket);
        if (copy < 0) {
            proxy->errnum = errno;
            return proxy->error = SOAP_UDP_ERROR;
        }
        proxy->fclosesocket(proxy, proxy->socket);
        proxy->socket = copy;
    }
    return SendMessage(proxy, [&probe](XmlWriter& w) { WriteProbeBody(w, probe); });
}

}  // namespace signseek::wire