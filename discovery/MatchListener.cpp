// The listening side of Match: a short-lived SOAP server on the chosen
// interface, ended by time.

#include "discovery/Match.h"
#include "discovery/Result.h"
#include "discovery/RunFailure.h"
#include "wire/EnvelopeReader.h"
#include "wire/Transport.h"

#include <chrono>

namespace {

constexpr int kBacklog = 100;

}  // namespace

int Match::Listen()
{
    if (!m_bAddressingRegistered) {
        if (wire::EnableAddressing(this) != SOAP_OK) {
            m_strFailure = "cannot start the listener: WS-Addressing is not available";
            return E_FAIL;
        }
        m_bAddressingRegistered = true;
    }
    if (!m_pProxy)
        m_pProxy = std::make_unique<wire::ProbeProxy>();
    Run(m_strInterface, m_nListenPort);
    // A listener that never bound heard nothing: that is a failure, not an
    // empty result.
    if (!m_bBound) {
        m_strFailure = ListenFailure(wire::IsUdp(this), m_strInterface, m_nListenPort, errnum);
        return E_FAIL;
    }
    return 0;
}

int Match::Run(const std::string& host, int port)
{
    if (!soap_valid_socket(wire::Bind(this, host.c_str(), port, kBacklog)))
        return error;
    m_bBound = true;
    const std::int64_t start = ClockMillis();
    if (!soap_valid_socket(wire::Accept(this)))
        return error;
    while (KeepRunning(start)) {
        // A failed message is answered there and ends only itself.
        if (const int rc = ServeOne(); rc != SOAP_OK && m_pObserver)
            ReportUnreadMessage(rc);
        if (!soap_valid_socket(wire::Accept(this)))
            break;
    }
    return error;
}

bool Match::KeepRunning(std::int64_t startMillis) const
{
    if (!wire::IsUdp(this))
        return true;
    const double elapsed = static_cast<double>(ClockMillis() - startMillis) / 1000.0;
    return elapsed <= accept_timeout;
}

// A steady clock: a change of the wall time must not end or stretch a run.
std::int64_t Match::ClockMillis()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
