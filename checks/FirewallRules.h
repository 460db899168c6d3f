#pragma once
// What the Linux firewall tools print, read for one question: does the
// firewall let an answer to a given port in. Plain text in, no tools run.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace signseek {

// One protocol's port, as the exception must let it in.
struct PortOfProtocol {
    std::string protocol;  // "tcp" or "udp"
    unsigned port = 0;
};

// The ports the exception opens: TCP REPLY_PORT (the devices' HTTP answers)
// and every UDP port of the bridge range (the bridges' datagrams).
std::vector<PortOfProtocol> ExceptionPorts();

// An IPv4 network of this machine, or a rule's source.
struct Ipv4Network {
    std::uint32_t address = 0;  // host byte order, masked
    int prefix = 32;
};

// "10.1.2.0/24" or "10.1.2.3"; nothing for anything else.
std::optional<Ipv4Network> ParseIpv4Network(std::string_view text);

// A rule from `source` lets in everything of `local` (the devices on an
// adapter's network).
bool SourceCovers(const Ipv4Network& source, const Ipv4Network& local);

// Whether a port list such as "8000", "7000:9000", "7000-9000" or
// "80,443,8000" names port.
bool PortListCovers(std::string_view list, unsigned port);

// ufw --------------------------------------------------------------------

// ENABLED=yes in the text of ufw's configuration file (readable by every
// user), which ufw keeps in step with `ufw enable` and `ufw disable`.
bool UfwConfigEnabled(std::string_view config);

// "Status: active" in `ufw status` output.
bool UfwStatusIsActive(std::string_view status);

// Whether the rules of `ufw status verbose` let `wanted` in for IPv4 from
// the devices on `networks`: the first incoming rule that covers the port
// and applies to such devices (from Anywhere, or a source holding one of
// the networks; a deny from a source that meets one applies too) decides,
// ALLOW and LIMIT letting in; without one the default incoming policy does.
// Rules for one interface or one destination address do not count.
bool UfwAllows(std::string_view verboseStatus, const PortOfProtocol& wanted, const std::vector<Ipv4Network>& networks);

// firewalld --------------------------------------------------------------

// Interface name to zone, from `firewall-cmd --get-active-zones`.
std::map<std::string, std::string> FirewalldZonesOfInterfaces(std::string_view activeZones);

// One zone as `firewall-cmd --zone=Z --list-all` prints it.
struct FirewalldZone {
    std::string target;  // "default", "ACCEPT", "DROP", "%%REJECT%%"
    std::vector<std::string> ports, services, richRules;
};
FirewalldZone ParseFirewalldZone(std::string_view listAll);

// The "ports:" of `firewall-cmd --info-service=S`.
std::vector<std::string> FirewalldServicePorts(std::string_view infoService);

// The zone lets `wanted` in: its target accepts, one of its ports ("8000/tcp",
// "3703-3718/udp") or services (their ports in `servicePorts`) covers it,
// or an accepting IPv4 rich rule for the port or such a service whose source,
// if any, holds one of `networks`.
bool FirewalldZoneAllows(const FirewalldZone& zone, const std::map<std::string, std::vector<std::string>>& servicePorts,
                         const PortOfProtocol& wanted, const std::vector<Ipv4Network>& networks);

// nftables ---------------------------------------------------------------

// A base chain on the input hook, from `nft list ruleset` (iptables' rules
// show there too).
struct NftInputChain {
    std::string family, table, chain;
    bool blocks = false;             // its policy drops, or its last rule drops or rejects
    std::vector<std::string> rules;  // in order, the final drop or reject left out
};
std::vector<NftInputChain> NftInputChains(std::string_view ruleset);

// A chain lets `wanted` in when it does not block, or one of its rules
// accepts the port from everywhere or from a source holding one of
// `networks` ("tcp dport 8000 accept", "udp dport { 53, 3700-3800 } accept",
// "meta l4proto udp udp dport 3703 counter packets 0 bytes 0 accept", a bare
// "accept"). Rules that match anything else (an interface, a state) do not
// count.
bool NftChainAllows(const NftInputChain& chain, const PortOfProtocol& wanted, const std::vector<Ipv4Network>& networks);

}  // namespace signseek
