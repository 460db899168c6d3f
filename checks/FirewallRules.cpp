#include "checks/FirewallRules.h"
#include "common/BridgePorts.h"
#include "common/TextHelpers.h"
#include "common/VendorConstants.h"

#include <algorithm>
#include <charconv>

namespace signseek {

namespace {

std::string_view Trimmed(std::string_view text)
{
    std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) return {};
    std::size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::optional<unsigned> Number(std::string_view text)
{
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool Meets(const Ipv4Network& a, const Ipv4Network& b) { return SourceCovers(a, b) || SourceCovers(b, a); }

// Words of a line, a double-quoted value ("a b") kept as one word.
std::vector<std::string> QuotedWords(std::string_view text)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (any) words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(word);
    return words;
}

// "8000/tcp" or "3703-3718/udp" covers the wanted port.
bool PortProtocolCovers(std::string_view item, const PortOfProtocol& wanted)
{
    std::size_t slash = item.find('/');
    if (slash == std::string_view::npos || item.substr(slash + 1) != wanted.protocol) return false;
    return PortListCovers(item.substr(0, slash), wanted.port);
}

bool CoversOneOf(const Ipv4Network& source, const std::vector<Ipv4Network>& networks)
{
    for (const Ipv4Network& local : networks)
        if (SourceCovers(source, local)) return true;
    return false;
}

// The words of an nft rule without its counter ("counter packets 3 bytes 180").
std::vector<std::string> RuleWords(std::string_view rule)
{
    std::vector<std::string> words;
    std::vector<std::string> all = SplitString(rule, WHITESPACE_DELIMITERS);
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i] == "counter") continue;
        if ((all[i] == "packets" || all[i] == "bytes") && i + 1 < all.size() && Number(all[i + 1])) {
            ++i;
            continue;
        }
        words.push_back(all[i]);
    }
    return words;
}

// "drop", or "reject" with or without its "with icmp type ..." answer.
bool BlocksEverything(std::string_view rule)
{
    std::vector<std::string> words = RuleWords(rule);
    if (words.empty()) return false;
    return (words.size() == 1 && words[0] == "drop") ||
           (words[0] == "reject" && (words.size() == 1 || words[1] == "with"));
}

}  // namespace

std::vector<PortOfProtocol> ExceptionPorts()
{
    std::vector<PortOfProtocol> ports{{"tcp", REPLY_PORT}};
    for (unsigned port = BRIDGE_PORT_FIRST; port <= BRIDGE_PORT_LAST; ++port) ports.push_back({"udp", port});
    return ports;
}

std::optional<Ipv4Network> ParseIpv4Network(std::string_view text)
{
    Ipv4Network network;
    std::size_t slash = text.find('/');
    if (slash != std::string_view::npos) {
        std::optional<unsigned> prefix = Number(text.substr(slash + 1));
        if (!prefix || *prefix > 32) return std::nullopt;
        network.prefix = static_cast<int>(*prefix);
        text = text.substr(0, slash);
    }
    std::vector<std::string> parts = SplitString(text, ".");
    if (parts.size() != 4 || std::count(text.begin(), text.end(), '.') != 3) return std::nullopt;
    for (const std::string& part : parts) {
        std::optional<unsigned> byte = Number(part);
        if (!byte || *byte > 255) return std::nullopt;
        network.address = network.address << 8 | *byte;
    }
    if (network.prefix < 32) network.address &= network.prefix == 0 ? 0u : ~0u << (32 - network.prefix);
    return network;
}

bool SourceCovers(const Ipv4Network& source, const Ipv4Network& local)
{
    if (source.prefix > local.prefix) return false;
    std::uint32_t mask = source.prefix == 0 ? 0u : ~0u << (32 - source.prefix);
    return (local.address & mask) == source.address;
}

bool PortListCovers(std::string_view list, unsigned port)
{
    for (const std::string& item : SplitString(list, ",")) {
        std::size_t dash = item.find_first_of(":-");
        std::optional<unsigned> from = Number(std::string_view(item).substr(0, dash));
        std::optional<unsigned> to = dash == std::string::npos ? from : Number(std::string_view(item).substr(dash + 1));
        if (from && to && *from <= port && port <= *to) return true;
    }
    return false;
}

// ufw --------------------------------------------------------------------

bool UfwConfigEnabled(std::string_view config)
{
    bool enabled = false;
    for (std::string_view line : Lines(config)) {
        line = Trimmed(line);
        if (!StartsWith(line, "ENABLED=")) continue;
        std::string_view value = line.substr(8);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        enabled = CompareIgnoringAsciiCase(value, "yes") == 0;  // the last setting counts, as for the shell
    }
    return enabled;
}

bool UfwStatusIsActive(std::string_view status)
{
    for (std::string_view line : Lines(status))
        if (Trimmed(line) == "Status: active") return true;
    return false;
}

bool UfwAllows(std::string_view verboseStatus, const PortOfProtocol& wanted, const std::vector<Ipv4Network>& networks)
{
    bool defaultAllows = false;
    for (std::string_view line : Lines(verboseStatus)) {
        if (StartsWith(line, "Default:")) {
            // "Default: deny (incoming), allow (outgoing), disabled (routed)"
            for (const std::string& part : SplitString(line.substr(8), ","))
                if (Contains(part, "(incoming)")) defaultAllows = Trimmed(part).substr(0, 5) == "allow";
            continue;
        }
        std::size_t hash = line.find('#');  // the rule's comment
        std::vector<std::string> words = SplitString(line.substr(0, hash), WHITESPACE_DELIMITERS);
        std::size_t action = 0;
        while (action < words.size() && words[action] != "ALLOW" && words[action] != "DENY" &&
               words[action] != "REJECT" && words[action] != "LIMIT")
            ++action;
        // One destination word: no interface ("on eth0"), no address, no (v6).
        if (action != 1) continue;
        std::size_t from = action + 1;
        std::string direction = "IN";
        if (from < words.size() && (words[from] == "IN" || words[from] == "OUT" || words[from] == "FWD"))
            direction = words[from++];
        if (direction != "IN" || from + 1 != words.size()) continue;

        const std::string& to = words[0];
        std::size_t slash = to.find('/');
        if (slash != std::string::npos && to.substr(slash + 1) != wanted.protocol) continue;
        if (to.substr(0, slash) != "Anywhere" && !PortListCovers(to.substr(0, slash), wanted.port)) continue;

        const bool allow = words[action] == "ALLOW" || words[action] == "LIMIT";
        bool applies = words[from] == "Anywhere";
        if (std::optional<Ipv4Network> source = ParseIpv4Network(words[from]); source && !applies) {
            for (const Ipv4Network& local : networks)
                applies = applies || (allow ? SourceCovers(*source, local) : Meets(*source, local));
        }
        if (applies) return allow;
    }
    return defaultAllows;
}

// firewalld --------------------------------------------------------------

std::map<std::string, std::string> FirewalldZonesOfInterfaces(std::string_view activeZones)
{
    // public
    //   interfaces: eth0 wlan0
    std::map<std::string, std::string> zones;
    std::string zone;
    for (std::string_view line : Lines(activeZones)) {
        if (line.empty()) continue;
        if (line.front() != ' ' && line.front() != '\t') {
            zone = std::string(Trimmed(line));
            continue;
        }
        line = Trimmed(line);
        if (zone.empty() || !StartsWith(line, "interfaces:")) continue;
        for (const std::string& name : SplitString(line.substr(11), WHITESPACE_DELIMITERS)) zones.emplace(name, zone);
    }
    return zones;
}

FirewalldZone ParseFirewalldZone(std::string_view listAll)
{
    FirewalldZone zone;
    bool inRichRules = false;
    for (std::string_view line : Lines(listAll)) {
        std::string_view text = Trimmed(line);
        auto value = [&](std::string_view key) { return SplitString(text.substr(key.size()), WHITESPACE_DELIMITERS); };
        if (inRichRules && StartsWith(text, "rule ")) {
            zone.richRules.emplace_back(text);
            continue;
        }
        inRichRules = false;
        if (StartsWith(text, "target:")) {
            std::vector<std::string> target = value("target:");
            zone.target = target.empty() ? "" : target[0];
        } else if (StartsWith(text, "ports:")) {
            zone.ports = value("ports:");
        } else if (StartsWith(text, "services:")) {
            zone.services = value("services:");
        } else if (StartsWith(text, "rich rules:")) {
            inRichRules = true;
        }
    }
    return zone;
}

std::vector<std::string> FirewalldServicePorts(std::string_view infoService)
{
    for (std::string_view line : Lines(infoService)) {
        std::string_view text = Trimmed(line);
        if (StartsWith(text, "ports:")) return SplitString(text.substr(6), WHITESPACE_DELIMITERS);
    }
    return {};
}

bool FirewalldZoneAllows(const FirewalldZone& zone, const std::map<std::string, std::vector<std::string>>& servicePorts,
                         const PortOfProtocol& wanted, const std::vector<Ipv4Network>& networks)
{
    auto serviceCovers = [&](const std::string& service) {
        auto ports = servicePorts.find(service);
        if (ports == servicePorts.end()) return false;
        for (const std::string& item : ports->second)
            if (PortProtocolCovers(item, wanted)) return true;
        return false;
    };
    if (zone.target == "ACCEPT") return true;
    for (const std::string& item : zone.ports)
        if (PortProtocolCovers(item, wanted)) return true;
    for (const std::string& service : zone.services)
        if (serviceCovers(service)) return true;
    for (const std::string& rule : zone.richRules) {
        // rule [family="ipv4"] [source [NOT] address="..."] (port port="..." protocol="..." | service name="...")
        // accept
        std::vector<std::string> words = QuotedWords(rule);
        bool ipv6 = false, sourceOk = true, portOk = false, accepts = false;
        for (std::size_t i = 0; i < words.size(); ++i) {
            const std::string& w = words[i];
            if (w == "family=ipv6") ipv6 = true;
            if (w == "source") {
                sourceOk = false;
                if (i + 1 < words.size() && StartsWith(words[i + 1], "address=")) {
                    std::optional<Ipv4Network> source = ParseIpv4Network(words[i + 1].substr(8));
                    sourceOk = source && CoversOneOf(*source, networks);
                }
            }
            if (w == "port" && i + 2 < words.size() && StartsWith(words[i + 1], "port=") &&
                StartsWith(words[i + 2], "protocol="))
                portOk = portOk || (words[i + 2].substr(9) == wanted.protocol &&
                                    PortListCovers(words[i + 1].substr(5), wanted.port));
            if (w == "service" && i + 1 < words.size() && StartsWith(words[i + 1], "name="))
                portOk = portOk || serviceCovers(words[i + 1].substr(5));
            if (w == "accept") accepts = true;
        }
        if (!ipv6 && sourceOk && portOk && accepts) return true;
    }
    return false;
}

// nftables ---------------------------------------------------------------

std::vector<NftInputChain> NftInputChains(std::string_view ruleset)
{
    std::vector<NftInputChain> chains;
    std::string family, table;
    NftInputChain chain;
    bool inChain = false, isInput = false, policyDrops = false;
    for (std::string_view line : Lines(ruleset)) {
        std::vector<std::string> words = SplitString(line, WHITESPACE_DELIMITERS);
        if (words.empty() || words[0].front() == '#') continue;
        if (words[0] == "table" && words.size() >= 3) {
            family = words[1];
            table = words[2];
        } else if (words[0] == "chain" && words.size() >= 2) {
            chain = NftInputChain{family, table, words[1], false, {}};
            inChain = true;
            isInput = policyDrops = false;
        } else if (inChain && words[0] == "}") {
            if (isInput) {
                const bool finalBlock = !chain.rules.empty() && BlocksEverything(chain.rules.back());
                if (finalBlock) chain.rules.pop_back();
                chain.blocks = policyDrops || finalBlock;
                chains.push_back(chain);
            }
            inChain = false;
        } else if (inChain && words[0] == "type") {
            // "type filter hook input priority filter; policy drop;"
            std::string text(Trimmed(line));
            isInput = Contains(text, " hook input ");
            policyDrops = Contains(text, "policy drop;");
        } else if (inChain && isInput) {
            chain.rules.emplace_back(Trimmed(line));
        }
    }
    return chains;
}

bool NftChainAllows(const NftInputChain& chain, const PortOfProtocol& wanted, const std::vector<Ipv4Network>& networks)
{
    if (!chain.blocks) return true;
    for (const std::string& rule : chain.rules) {
        std::vector<std::string> words = RuleWords(rule);
        if (words.empty() || words.back() != "accept") continue;
        bool ok = true, portOk = false, needsPort = false;
        for (std::size_t i = 0; ok && i + 1 < words.size(); ++i) {
            const std::string& w = words[i];
            if (w == "meta" && i + 2 < words.size() && words[i + 1] == "l4proto") {
                ok = words[i + 2] == wanted.protocol;
                i += 2;
            } else if ((w == "tcp" || w == "udp") && i + 2 < words.size() && words[i + 1] == "dport") {
                needsPort = true;
                ok = w == wanted.protocol;
                std::string list;
                std::size_t at = i + 2;
                if (words[at] == "{") {
                    while (++at < words.size() && words[at] != "}") list += words[at];
                } else {
                    list = words[at];
                }
                portOk = ok && PortListCovers(list, wanted.port);
                i = at;
            } else if (w == "ip" && i + 2 < words.size() && words[i + 1] == "saddr") {
                std::optional<Ipv4Network> source = ParseIpv4Network(words[i + 2]);
                ok = source && CoversOneOf(*source, networks);
                i += 2;
            } else {
                ok = false;  // an interface, a state, anything the devices' answer may not have
            }
        }
        if (ok && (!needsPort || portOk)) return true;
    }
    return false;
}

}  // namespace signseek
