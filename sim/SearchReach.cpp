#include "sim/SearchReach.h"

#include "common/VendorConstants.h"
#include "sim/ProbeMatching.h"

namespace signseek::sim {

namespace {

// Why the probe's scope (a single URI) finds no device scope.
std::string ScopeMiss(const std::string& probeScope, const std::string& deviceScopes)
{
    const std::vector<std::string> offered = SplitList(deviceScopes);
    if (offered.empty()) return "no scopes, and the probe wants one under \"" + probeScope + "\"";
    std::string why;
    for (const std::string& scope : offered) {
        std::string miss = Rfc2396Mismatch(probeScope, scope);
        if (miss.empty()) return "";
        why += (why.empty() ? "" : ", ") + ("scope \"" + scope + "\": " + miss);
    }
    return "no scope under \"" + probeScope + "\" (" + why + ")";
}

std::string ProbeMiss(const SearchProbe& probe, const Device& device)
{
    if (device.answer == AnswerMode::HttpOnly && !probe.replyTo) return "answers only probes with a ReplyTo";
    if (device.answer == AnswerMode::UdpOnly && probe.replyTo) return "answers only probes without a ReplyTo";
    if (!TypesMatch(probe.types, device.types)) return "Types lack \"" + probe.types + "\"";
    return ScopeMiss(probe.scopes, device.scopes);
}

}  // namespace

std::vector<SearchProbe> SearchProbes()
{
    const std::string root = VENDOR_URI_ROOT;
    return {{"controller probe", CONTROLLER_PROBE_TYPES, root + CONTROLLER_PROBE_SCOPE_PATH, true},
            {"root-scope probe", "", root, true},
            {"bridge probe", BRIDGE_PROBE_TYPES, root + BRIDGE_PROBE_SCOPE_PATH, false}};
}

std::string WhyNoSearchFinds(const Device& device)
{
    std::string why;
    for (const SearchProbe& probe : SearchProbes()) {
        std::string miss = ProbeMiss(probe, device);
        if (miss.empty()) return "";
        why += (why.empty() ? "" : "; ") + probe.name + ": " + miss;
    }
    return why;
}

}  // namespace signseek::sim