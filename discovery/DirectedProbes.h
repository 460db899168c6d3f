#pragma once
// The unicast side of a run: the run's probes sent to each target in turn,
// paced, from inside the run once its listener is bound.

#include "discovery/DiscoveryRun.h"
#include "discovery/Match.h"

namespace signseek {

// Sends kind's probes to every target of the request at request.probeRate a
// second (the device run's two count as two). Stops early when the request's
// stop turns true. listenerSocket: the bridge run's listener, which its
// probes leave from so that the answers come back to it.
void SendDirectedProbes(Match& match, const DiscoveryRequest& request, RunKind kind, int listenerSocket);

}  // namespace signseek
