#include "discovery/Match.h"

#include "discovery/MatchRecord.h"
#include "discovery/VendorConstants.h"
#include "wire/HttpExchange.h"
#include "wire/Transport.h"

#include <new>

namespace {

constexpr std::uint16_t kUdpDefaultListenPort = 3702;
constexpr int kPresetAcceptTimeout = 10;  // seconds; every run sets its own

}  // namespace

Match::Match() : Match(wire::TransportMode::Tcp) {}

Match::Match(wire::TransportMode mode)
    : MatchServiceBase(mode), m_nListenPort(mode == wire::TransportMode::Udp ? kUdpDefaultListenPort : REPLY_PORT)
{
    accept_timeout = kPresetAcceptTimeout;
}

// The base closes the listener's sockets, the proxy closes its own.
Match::~Match() = default;

int Match::ProbeMatches(disc__ProbeMatchesType* matches)
{
    wire::SendEmptyResponse(this, 202);
    // Only the first entry counts; further ones in the same message are ignored.
    if (!matches || matches->ProbeMatch.empty() || !matches->ProbeMatch.front())
        return SOAP_OK;
    try {
        m_devices.HandleMatch(RecordFromProbeMatch(*matches->ProbeMatch.front(), wire::PeerAddress(this)));
    } catch (const std::bad_alloc&) {
        return SOAP_EOM;
    }
    return SOAP_OK;
}

int Match::Hello(disc__HelloType* hello)
{
    if (!hello)
        return SOAP_OK;
    try {
        m_devices.HandleMatch(RecordFromHello(*hello));
    } catch (const std::bad_alloc&) {
        return SOAP_EOM;
    }
    return SOAP_OK;
}
