#pragma once
// The unicast side of a run: the run's probes sent to each target in turn,
// paced, on a thread of their own once the run's listener is bound, so that
// the answers of the first targets are served while later ones are probed.

#include "discovery/DiscoveryRun.h"
#include "discovery/Match.h"

#include <atomic>
#include <thread>

namespace signseek {

// One run's directed probes: kind's probes to every target of the request,
// at request.probeRate a second (the device run's two count as two). Start
// (from the match's m_onBound) sends them on a thread while the listener
// serves; the sweep ends with its last probe, or when the request's stop
// turns true, and at the latest when it is destroyed (which cancels and
// joins).
class DirectedSweep {
public:
    // Hooks the sweep into the match; request and match must outlive it.
    DirectedSweep(Match& match, const DiscoveryRequest& request, RunKind kind);
    ~DirectedSweep();
    DirectedSweep(const DirectedSweep&) = delete;
    DirectedSweep& operator=(const DirectedSweep&) = delete;

private:
    void Start(int listenerSocket);

    Match& m_match;
    const DiscoveryRequest& m_request;
    const RunKind m_kind;
    wire::ProbesInFlight m_inFlight;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

}  // namespace signseek
