#include "discovery/Match.h"

#include "common/VendorConstants.h"
#include "discovery/MatchRecord.h"
#include "wire/ErrorTable.h"
#include "wire/HttpExchange.h"
#include "wire/Transport.h"

#include <algorithm>
#include <new>

namespace signseek {

namespace {

constexpr int kPresetAcceptTimeout = 10;  // seconds; every run sets its own

}  // namespace

Match::Match() : Match(wire::TransportMode::Tcp) {}

Match::Match(wire::TransportMode mode)
    : MatchServiceBase(mode), m_nListenPort(mode == wire::TransportMode::Udp ? DEFAULT_DISCOVERY_PORT : REPLY_PORT)
{
    accept_timeout = kPresetAcceptTimeout;
}

// The base closes the listener's sockets, the proxy closes its own.
Match::~Match() = default;

int Match::ProbeMatches(disc__ProbeMatchesType* matches)
{
    wire::SendEmptyResponse(this, 202);
    // Only the first entry counts; further ones in the same message are ignored.
    if (!matches || matches->ProbeMatch.empty() || !matches->ProbeMatch.front()) {
        if (m_pObserver)
            m_pObserver->AnswerReceived(
                {m_strRun, wire::PeerAddress(this), "ProbeMatches", "", "dropped: no ProbeMatch in the message"});
        return SOAP_OK;
    }
    try {
        Keep("ProbeMatches", RecordFromProbeMatch(*matches->ProbeMatch.front(), wire::PeerAddress(this)));
    } catch (const std::bad_alloc&) {
        return SOAP_EOM;
    }
    return SOAP_OK;
}

int Match::Hello(disc__HelloType* hello)
{
    if (!hello) return SOAP_OK;
    try {
        Keep("Hello", RecordFromHello(*hello));
    } catch (const std::bad_alloc&) {
        return SOAP_EOM;
    }
    return SOAP_OK;
}

void Match::ShareAmong(std::vector<std::string> adapters)
{
    m_adapters = std::move(adapters);
    m_devices.resize(std::max<std::size_t>(1, m_adapters.size()));
}

void Match::Keep(const char* message, DeviceRecord record)
{
    std::size_t route = 0;
    if (m_directedTargets.count(wire::PeerAddress(this))) record.via = "directed";
    if (m_adapters.empty()) {
        record.adapter = m_strInterface.empty() ? wire::LocalAddress(this) : m_strInterface;
    } else {
        record.adapter = wire::LocalAddress(this);
        route = static_cast<std::size_t>(std::find(m_adapters.begin(), m_adapters.end(), record.adapter) -
                                         m_adapters.begin());
        if (route == m_adapters.size()) {
            if (m_pObserver)
                m_pObserver->AnswerReceived({m_strRun, wire::PeerAddress(this), message, record.address,
                                             "dropped: arrived on no searched adapter"});
            return;
        }
    }
    DeviceCollector& devices = m_devices[route];
    DeviceCollector::Outcome outcome;
    if (m_pObserver) {
        const DeviceRecord seen = record;
        outcome = devices.HandleMatch(std::move(record));
        ReportAnswer(message, seen, outcome);
    } else {
        outcome = devices.HandleMatch(std::move(record));
    }
    ReportRecord(devices, outcome);
}

void Match::ReportRecord(const DeviceCollector& devices, DeviceCollector::Outcome outcome)
{
    if (!m_onRecord) return;
    if (outcome != DeviceCollector::Outcome::Added && outcome != DeviceCollector::Outcome::Merged) return;
    const RecordChange change =
        outcome == DeviceCollector::Outcome::Added ? RecordChange::Found : RecordChange::Changed;
    const std::size_t index = devices.LastIndex();
    try {
        m_onRecord(change, index, devices.Devices()[index]);
    } catch (...) {
        // The record is kept whatever the watcher made of it.
    }
}

void Match::ReportAnswer(const char* message, const DeviceRecord& record, DeviceCollector::Outcome outcome)
{
    const bool homeScope = record.HasHomeScope() && record.types.empty();
    m_pObserver->AnswerReceived(
        {m_strRun, wire::PeerAddress(this), message, record.address, OutcomeText(outcome, homeScope)});
}

void Match::MessageFailed(int code)
{
    if (!m_pObserver) return;
    // A UDP listener's receive ends without a message whenever it times out.
    if (wire::IsUdp(this) && code == SOAP_EOF) return;
    std::string why;
    if (code == SOAP_EOF) {
        why = "the connection ended before a whole message";
    } else if (code == SOAP_NO_METHOD) {
        why = "not a ProbeMatches or Hello";
    } else {
        const int kept = error;
        error = code;
        why = wire::DescribeError(this).reason;
        error = kept;
    }
    m_pObserver->AnswerReceived({m_strRun, wire::PeerAddress(this), "unreadable message", "", "dropped: " + why});
}

}  // namespace signseek
