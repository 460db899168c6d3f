// The listening side of Match: a short-lived SOAP server on the chosen
// interface, ended by time.

#include "discovery/Match.h"
#include "discovery/Result.h"
#include "discovery/RunFailure.h"
#include "wire/DatagramReceiver.h"
#include "wire/EnvelopeReader.h"
#include "wire/Transport.h"
#include "wire/WireState.h"

#include <algorithm>

namespace signseek {

namespace {

// Large, so a storm of connections waits in the queue that the listener
// drains each turn, rather than pushing a device's connection out of it.
constexpr int kBacklog = 4096;
// How long a listener with a stop flag waits before it looks at the flag again.
constexpr std::int64_t kStopCheckMillis = 50;

}  // namespace

int Match::Bind()
{
    if (m_bBound) return 0;
    if (!m_bAddressingRegistered) {
        if (wire::EnableAddressing(this) != SOAP_OK) {
            m_strFailure = "cannot start the listener: WS-Addressing is not available";
            return E_FAIL;
        }
        m_bAddressingRegistered = true;
    }
    const std::string& host = m_strListenHost.empty() ? m_strInterface : m_strListenHost;
    // A listener that never bound hears nothing: that is a failure, not an
    // empty result.
    if (!soap_valid_socket(wire::Bind(this, host.c_str(), m_nListenPort, kBacklog))) {
        m_strFailure = ListenFailure(wire::IsUdp(this), host, m_nListenPort, errnum);
        return E_FAIL;
    }
    m_bBound = true;
    return 0;
}

int Match::Listen()
{
    if (Bind() < 0) return E_FAIL;
    if (!m_pProxy) m_pProxy = std::make_unique<wire::ProbeProxy>();
    Serve();
    if (m_pObserver && ShedConnections() > 0) m_pObserver->ConnectionsShed(m_strRun, ShedConnections());
    return 0;
}

int Match::Serve()
{
    if (m_onBound) {
        m_startMillis = ClockMillis();
        if (m_inFlight) {
            m_inFlight->spanMillis = EndMillis() - m_startMillis;
            m_inFlight->lastSentMillis = m_startMillis;
        }
        m_onBound(master);
    }
    const std::int64_t start = ClockMillis();
    const std::int64_t end = EndMillis();
    if (!wire::IsUdp(this)) {
        // Ends discoveryTimeout after the last request, but never after the run's end.
        ServeConnections(Millis(accept_timeout), Millis(recv_timeout), end, m_pStop, m_inFlight);
        return error;
    }
    if (!soap_valid_socket(wire::Accept(this))) return error;
    // A burst of answers waits here while earlier ones are handled, instead
    // of overflowing the socket.
    wire::DatagramReceiver datagrams(this);
    // While probes go out, listening and the run's end count from the last one sent.
    auto sending = [this] { return m_inFlight && m_inFlight->sending.load(); };
    auto listenStart = [&] { return m_inFlight ? std::max(start, m_inFlight->lastSentMillis.load()) : start; };
    auto runEnd = [&] { return m_inFlight ? m_inFlight->EndAfter(end) : end; };
    auto serveOne = [&] {
        // With a stop flag, or probes going out, each wait for a datagram is
        // cut short, so a change is seen soon; a wait that ends without one
        // is no failure.
        const std::int64_t until = runEnd();
        wire::StateOf(this).deadlineMillis =
            m_pStop || sending() ? std::min(until, ClockMillis() + kStopCheckMillis) : until;
        // A failed message is answered there and ends only itself.
        if (const int rc = ServeOne(); rc != SOAP_OK) MessageFailed(rc);
        return soap_valid_socket(wire::Accept(this));
    };
    while ((sending() || KeepRunning(listenStart())) && ClockMillis() < runEnd() && !Stopping())
        if (!serveOne()) break;
    // Answers that arrived in time are served even when the listening time
    // has passed, up to the run's end.
    datagrams.Stop();
    while (!datagrams.Empty() && ClockMillis() < runEnd() && !Stopping())
        if (!serveOne()) break;
    wire::StateOf(this).deadlineMillis = 0;
    return error;
}

std::int64_t Match::Millis(int timeout)
{
    // Seconds when positive, microseconds when negative; no time-out at all
    // would let a run go on for ever, so it counts as the shortest one.
    if (timeout > 0) return std::int64_t{timeout} * 1000;
    return std::max<std::int64_t>(1000, -std::int64_t{timeout} / 1000);
}

std::int64_t Match::EndMillis() const { return m_startMillis + 2 * Millis(accept_timeout) + Millis(recv_timeout); }

bool Match::KeepRunning(std::int64_t startMillis) const
{
    if (!wire::IsUdp(this)) return true;
    const double elapsed = static_cast<double>(ClockMillis() - startMillis) / 1000.0;
    return elapsed <= accept_timeout;
}

std::int64_t Match::ClockMillis() { return wire::SteadyMillis(); }

}  // namespace signseek
