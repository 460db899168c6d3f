#pragma once
// The listening side: the generated MatchService with dispatch by action
// first, and the loop body that serves one message.

#include "soapMatchService.h"
#include "wire/HttpFraming.h"
#include "wire/Transport.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace signseek::wire {

// Probes that go out while a listener serves (a sweep of many targets, on a
// thread of its own): the listener is not idle, nor at its end, while they
// go, and its end counts from the last one sent.
struct ProbesInFlight {
    std::atomic<bool> sending{true};
    std::atomic<std::int64_t> lastSentMillis{0};  // SteadyMillis of the last probe sent
    std::int64_t spanMillis = 0;                  // how long the listener goes on after it

    // The listener's end: endMillis, or later while probes go.
    std::int64_t EndAfter(std::int64_t endMillis) const
    {
        return std::max(endMillis, lastSentMillis.load() + spanMillis);
    }
};

class MatchServiceBase : public MatchService {
public:
    explicit MatchServiceBase(TransportMode mode);
    ~MatchServiceBase() override;

    MatchServiceBase(const MatchServiceBase&) = delete;
    MatchServiceBase& operator=(const MatchServiceBase&) = delete;

    // Recognises the message and hands the decoded record to its operation.
    int dispatch() override;

    // One message: receive, read and dispatch, fault when it failed, end of
    // the exchange, release of the message's data. Returns the message's result.
    int ServeOne();

    // The HTTP listener's loop. Connections are accepted as they come and
    // their requests collected side by side (poll), each within requestMillis
    // of its acceptance, and each request is served as soon as it is
    // complete, so a slow or idle client delays nobody. Ends when idleMillis
    // have passed without a request being read (since the call, or since the
    // end of the last request) and no connection is open, or at endMillis (a
    // SteadyMillis reading), whichever comes first, or soon after *stop
    // turns true (stop may be null). When more connections are open than
    // the listener collects at one time, the one that has sent least (the
    // oldest of those) is closed to make room; ShedConnections counts them.
    // While probes are in flight (may be null), the idle time and endMillis
    // count from the last one sent.
    void ServeConnections(int idleMillis, int requestMillis, std::int64_t endMillis,
                          const std::atomic<bool>* stop = nullptr, const ProbesInFlight* probes = nullptr);

    // Serves a request collected from the current socket: its fault when
    // the collection refused it, otherwise the message parsed from the
    // collected bytes. Ends the exchange like ServeOne.
    int ServeCollected(const HttpRequestFramer& framer);

    // Connections closed unserved to make room for newer ones.
    std::size_t ShedConnections() const { return m_shedConnections; }

    // Told of each message that could not be read or was refused, after its
    // fault went out; the default does nothing.
    virtual void MessageFailed(int /*code*/) {}

    // The operations; the defaults accept and ignore.
    int ProbeMatches(disc__ProbeMatchesType* matches) override;
    int ResolveMatches(disc__ResolveMatchesType* matches) override;
    int Hello(disc__HelloType* hello) override;
    // A Bye is read only by a listener that watches announcements; the
    // default refuses it as an unknown message, like any other.
    virtual int Bye(disc__ByeType* bye);

private:
    std::size_t m_shedConnections = 0;
};

// Milliseconds of the steady clock: a change of the wall time must not end
// or stretch a listener.
std::int64_t SteadyMillis();

// Open connections the HTTP listener collects at one time.
inline constexpr std::size_t kMaxOpenConnections = 128;

}  // namespace signseek::wire