#pragma once
// Whether a search can ever find a simulated device: it must answer at least
// one of the three probes a search sends. A scenario device that answers none
// is almost always a mistake in the file (a scope without a scheme, say), so
// the simulator warns about it at start-up.

#include "sim/Device.h"

#include <string>
#include <vector>

namespace signseek::sim {

struct SearchProbe {
    std::string name;  // "controller probe", ...
    std::string types;
    std::string scopes;
    bool replyTo;  // the probe names a ReplyTo (answers go by HTTP)
};

// The controller probe, the root-scope probe and the bridge probe.
std::vector<SearchProbe> SearchProbes();

// Empty when some probe of a search matches the device; otherwise why each
// probe misses it, for example
// "controller probe: Types lack \"x8\"; root-scope probe: scope \"marvane/x\": no scheme; ...".
std::string WhyNoSearchFinds(const Device& device);

}  // namespace signseek::sim