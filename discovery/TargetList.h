#pragma once
// The addresses a directed search probes: IPv4 addresses, ranges, subnets and
// host names as a user writes them, turned into one list of dotted addresses.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace signseek {

// At most this many addresses in one search: a /16.
inline constexpr std::size_t kMaxTargets = 65536;
// A target file longer than this is refused rather than read.
inline constexpr std::size_t kMaxTargetFileBytes = 1024 * 1024;

// A host name's IPv4 address in dotted form, or nothing when it has none.
using HostResolver = std::function<std::optional<std::string>(const std::string& name)>;

// The system's resolver (getaddrinfo, IPv4 only).
std::optional<std::string> ResolveHost(const std::string& name);

struct TargetList {
    std::vector<std::string> addresses;  // dotted IPv4, in the order given, each once
    std::string error;                   // one line; addresses is empty when set
    std::size_t failedText = 0;          // with error: the index of the text it concerns
};

// Each text is an address ("10.1.2.3"), a range ("10.1.2.10-10.1.2.80"), a
// subnet ("10.1.2.0/24": every address in it, network and broadcast
// included, since a device may sit on any of them in a routed /31 or /32)
// or a host name. Refuses more than kMaxTargets addresses in all.
TargetList ParseTargets(const std::vector<std::string>& texts, const HostResolver& resolve = ResolveHost);

struct TargetFile {
    std::vector<std::string> texts;  // one target a line, blanks and "#" comments left out
    std::vector<std::size_t> lines;  // each text's line number, from 1
    std::string error;
};

// The targets of a file's text; refuses text longer than kMaxTargetFileBytes.
TargetFile TargetsFromText(const std::string& text);
// The same read from a file.
TargetFile ReadTargetFile(const std::string& path);

}  // namespace signseek
