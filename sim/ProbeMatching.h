#pragma once
// Whether a device answers a probe: WS-Discovery 2005/04 Types and Scopes
// matching, as a device does it. Pure functions, no sockets.

#include <string>
#include <string_view>
#include <vector>

namespace signseek::sim {

// Whitespace-separated items of a list value (Types, Scopes, XAddrs).
std::vector<std::string> SplitList(std::string_view text);

// Every probe type's local name is among the device types' local names.
// Empty probe types match every device.
bool TypesMatch(std::string_view probeTypes, std::string_view deviceTypes);

// The rfc2396 rule for one pair: same scheme and authority (without case),
// the probe's path segments a segment-wise prefix of the device's, no "." or
// ".." segments; query and fragment are not compared.
bool Rfc2396ScopeMatches(std::string_view probeScope, std::string_view deviceScope);

// Why the rfc2396 rule refuses the pair, in a few words ("no scheme", ...);
// empty when it matches.
std::string Rfc2396Mismatch(std::string_view probeScope, std::string_view deviceScope);

enum class ScopeRule { Rfc2396, Strcmp0, Unsupported };

// The rule a MatchBy value names; absent or empty means rfc2396.
ScopeRule RuleOf(std::string_view matchBy);

// Every probe scope matches some device scope under the rule. Empty probe
// scopes match every device; an unsupported rule matches none.
bool ScopesMatch(std::string_view probeScopes, std::string_view matchBy, std::string_view deviceScopes);

}  // namespace signseek::sim