#pragma once
// The sending proxy's Probe operation: a new datagram socket to the endpoint,
// the multicast options, then the message.

#include "soapDiscoveryProxy.h"

#include <cstdint>
#include <vector>

namespace signseek::wire {

// A DiscoveryProxy in UDP mode with the system's table and transport.
class ProbeProxy : public DiscoveryProxy {
public:
    ProbeProxy();
    ~ProbeProxy() override;
    ProbeProxy(const ProbeProxy&) = delete;
    ProbeProxy& operator=(const ProbeProxy&) = delete;
};

// Connect, SetMulticastOptions, SendMessage with the Probe body. The socket
// stays open afterwards so its local port can be read. With source ports the
// probe goes out from the first free one of them (BindSourcePort).
int SendProbeMessage(soap* proxy, const char* endpoint, const disc__ProbeType& probe, const char* interfaceAddress,
                     int ttl, const std::vector<std::uint16_t>& sourcePorts = {});

// SendProbeMessage in two steps, for a caller that must know the source port
// before the probe goes. The first makes the socket ready; with source ports
// it is bound by then (to one the system gives when all are taken, address
// reuse on all the same), so its local port can be read.
int PrepareProbeSocket(soap* proxy, const char* endpoint, const char* interfaceAddress, int ttl,
                       const std::vector<std::uint16_t>& sourcePorts);
int SendPreparedProbe(soap* proxy, const disc__ProbeType& probe);

// The same Probe by unicast, without the multicast options. With fromSocket
// (>= 0) the datagram leaves through a copy of that socket, so answers to its
// source port reach whoever reads it.
int SendProbeTo(soap* proxy, const char* endpoint, const disc__ProbeType& probe, int fromSocket);

}  // namespace signseek::wire