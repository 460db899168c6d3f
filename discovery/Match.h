#pragma once
#ifndef SIGNSEEK_ENGINE_INTERNAL
#error "discovery/Match.h is internal to the discovery engine: search through discovery/Search.h"
#endif
// The listener object of one discovery run: it multicasts the run's probes
// through its own proxy, then serves the answers that come back and turns
// them into de-duplicated device records.

#include "common/DiscoveryValues.h"
#include "discovery/DeviceCollector.h"
#include "discovery/DeviceRecord.h"
#include "discovery/RunObserver.h"
#include "discovery/RunResult.h"
#include "wire/MatchServiceBase.h"
#include "wire/ProbeSender.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace signseek {

class Match : public wire::MatchServiceBase {
public:
    // HTTP listener (answers POSTed to the probe's ReplyTo address).
    Match();
    // Udp: the listener takes unicast datagrams on the probe's source port.
    explicit Match(wire::TransportMode mode);
    ~Match() override;

    // One Probe with a ReplyTo naming m_strInterface and m_nListenPort, to
    // the discovery group at m_nDiscoveryPort. E_FAIL when interfaceAddress
    // is empty (nothing sent, m_nListenPort kept) or the probe did not go out;
    // otherwise the send's SOAP status (0, or negative for a failed send),
    // after which m_nListenPort is the sending socket's local port.
    int SendProbe(int ttl, std::string interfaceAddress);
    // The same without a ReplyTo: devices answer to the probe's source port,
    // where the listener is bound (Bind) before the probe goes; E_FAIL when it
    // cannot be, with nothing sent.
    int SendProbeNoReplyTo(int ttl, std::string interfaceAddress);

    // One Probe by unicast to target's discovery port, through a proxy of its
    // own (the multicast proxy's socket keeps its port), with a ReplyTo of
    // replyTo unless that is empty; fromSocket as wire::SendProbeTo takes it.
    // Told to the observer like a multicast probe.
    int SendProbeToTarget(const std::string& target, const std::string& replyTo, int fromSocket);

    // Local port of the proxy's current socket; 65535 when it cannot be read.
    std::uint16_t GetLocalPort() const;

    // Binds the listener on m_strListenHost (else m_strInterface) at
    // m_nListenPort, once: a run binds before its probes go out, so an answer
    // that comes at once finds someone listening, not a closed port. E_FAIL
    // with the failure set when addressing cannot be enabled or the bind fails.
    int Bind();
    // Serves answers on the bound listener (binding it first if need be) until
    // the time limit. E_FAIL when Bind fails, otherwise 0 whatever happened
    // while listening.
    int Listen();
    // Serve until the time limit or a failed accept. HTTP: until the accept
    // time-out passes with no request, UDP: while KeepRunning says so; both
    // never past EndMillis. Returns the context's last error code.
    int Serve();
    // HTTP: always (the accept time-out ends it). UDP: while no more than the
    // accept time-out has passed since startMillis (a ClockMillis reading).
    bool KeepRunning(std::int64_t startMillis) const;
    static std::int64_t ClockMillis();
    // When the listener stops whatever arrives: twice the accept time-out
    // plus the receive time-out after the Match was made.
    std::int64_t EndMillis() const;
    static std::int64_t Millis(int timeout);

    int ProbeMatches(disc__ProbeMatchesType* matches) override;
    int Hello(disc__HelloType* hello) override;
    void MessageFailed(int code) override;

    // The devices collected so far, in the order they were first accepted.
    const std::vector<DeviceRecord>& Devices(std::size_t adapter = 0) const { return m_devices[adapter].Devices(); }
    // Hands the devices over at the end of the run.
    std::vector<DeviceRecord> TakeDevices(std::size_t adapter = 0) { return m_devices[adapter].TakeDevices(); }
    // Devices were dropped because the run holds as many as it keeps.
    bool RecordLimitReached(std::size_t adapter = 0) const { return m_devices[adapter].LimitReached(); }

    // One listener for several adapters: each answer is kept in the records
    // of the adapter whose address it arrived on (index into adapters), and
    // one that arrived on none of them is dropped. Without this every answer
    // counts for m_strInterface.
    void ShareAmong(std::vector<std::string> adapters);

    // The listener binds here instead of m_strInterface when not empty.
    std::string m_strListenHost;

    // Probe values, set by the run before each send.
    std::string m_strInterface;
    std::uint16_t m_nListenPort;
    std::uint16_t m_nDiscoveryPort = DEFAULT_DISCOVERY_PORT;
    std::string m_strTypes;
    std::string m_strScopes;
    // Tried in order as the probes' source port; empty: any free port.
    std::vector<std::uint16_t> m_sourcePorts;

    // Which run this is ("devices", "bridges") and who watches it; the run
    // sets both. Without an observer nothing is reported.
    std::string m_strRun;
    RunObserver* m_pObserver = nullptr;
    // Told of each record accepted or changed, on the listener's thread; may be empty.
    RecordSink m_onRecord;
    // The listener stops soon after this turns true; may be null.
    const std::atomic<bool>* m_pStop = nullptr;
    // Called once the listener is bound, with its socket, before it serves
    // anything: directed probes start going out from there, so no answer
    // comes before someone listens.
    std::function<void(int listenerSocket)> m_onBound;
    // Probes that go out while the listener serves (may be null): the run's
    // time limits count from the last one sent. The listener sets its span.
    wire::ProbesInFlight* m_inFlight = nullptr;
    // Answers from these addresses were asked for by a directed probe.
    std::unordered_set<std::string> m_directedTargets;

    // Why the last failed send or listen failed, in one line; empty when
    // nothing failed.
    const std::string& Failure() const { return m_strFailure; }

private:
    int Send(int ttl, const std::string& interfaceAddress, bool withReplyTo);
    void ReportAnswer(const char* message, const DeviceRecord& record, DeviceCollector::Outcome outcome);
    // Runs the match rules on a filled record, tells the observer and the
    // record sink what became of it.
    void Keep(const char* message, DeviceRecord record);
    void ReportRecord(const DeviceCollector& devices, DeviceCollector::Outcome outcome);
    bool Stopping() const { return m_pStop && m_pStop->load(); }

    std::unique_ptr<wire::ProbeProxy> m_pProxy;
    std::vector<std::string> m_adapters;                                       // see ShareAmong
    std::vector<DeviceCollector> m_devices = std::vector<DeviceCollector>(1);  // one per adapter
    bool m_bAddressingRegistered = false;
    bool m_bBound = false;
    std::string m_strFailure;
    std::int64_t m_startMillis = ClockMillis();
    std::unique_ptr<wire::ProbeProxy> m_pTargetProxy;
};

}  // namespace signseek
