#include "discovery/TargetList.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>

namespace signseek {

namespace {

std::optional<std::uint32_t> ParseAddress(const std::string& text)
{
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) != 1) return std::nullopt;
    return ntohl(address.s_addr);
}

std::string Dotted(std::uint32_t address)
{
    in_addr value{};
    value.s_addr = htonl(address);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &value, text, sizeof text);
    return text;
}

std::string TooMany() { return "more than " + std::to_string(kMaxTargets) + " targets (a /16) in one search"; }

bool LooksLikeAddress(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789.") == std::string::npos;
}

// What the list holds so far: its addresses as disjoint, non-adjacent runs
// (first -> last), so that a target given again, or inside one given
// before, costs a look-up rather than a walk over its addresses.
class Covered {
public:
    // Appends the addresses of first..last not listed yet, in order; false
    // (with the error) when the list would grow past the cap.
    bool Add(std::uint32_t first, std::uint32_t last, TargetList& list)
    {
        if (static_cast<std::uint64_t>(last) - first + 1 > kMaxTargets) {
            list.error = TooMany();
            return false;
        }
        std::uint64_t next = first;  // the first address not looked at yet
        auto run = m_runs.upper_bound(first);
        if (run != m_runs.begin() && std::prev(run)->second >= first) --run;
        for (; next <= last; ++run) {
            const std::uint64_t gapEnd = run == m_runs.end() ? std::uint64_t{last} + 1 : run->first;
            for (; next < gapEnd && next <= last; ++next) {
                if (list.addresses.size() == kMaxTargets) {
                    list.error = TooMany();
                    return false;
                }
                list.addresses.push_back(Dotted(static_cast<std::uint32_t>(next)));
            }
            if (run == m_runs.end()) break;
            next = std::max<std::uint64_t>(next, std::uint64_t{run->second} + 1);
        }
        Merge(first, last);
        return true;
    }

private:
    void Merge(std::uint32_t first, std::uint32_t last)
    {
        std::uint64_t low = first, high = last;
        auto run = m_runs.lower_bound(first);
        if (run != m_runs.begin() && std::uint64_t{std::prev(run)->second} + 1 >= low) --run;
        while (run != m_runs.end() && run->first <= high + 1) {
            low = std::min<std::uint64_t>(low, run->first);
            high = std::max<std::uint64_t>(high, run->second);
            run = m_runs.erase(run);
        }
        m_runs.emplace(static_cast<std::uint32_t>(low), static_cast<std::uint32_t>(high));
    }

    std::map<std::uint32_t, std::uint32_t> m_runs;
};

// Host names each resolved once, and no more than this many in one search:
// a resolver that does not answer can take seconds a name.
constexpr std::size_t kMaxHostNames = 100;

struct Resolved {
    const HostResolver& resolve;
    std::map<std::string, std::optional<std::uint32_t>> names;
};

bool AddOne(const std::string& text, Resolved& resolver, TargetList& list, Covered& covered)
{
    if (const auto slash = text.find('/'); slash != std::string::npos) {
        const auto network = ParseAddress(text.substr(0, slash));
        const std::string bitsText = text.substr(slash + 1);
        int bits = -1;
        const auto [end, ec] = std::from_chars(bitsText.data(), bitsText.data() + bitsText.size(), bits);
        if (!network || ec != std::errc() || end != bitsText.data() + bitsText.size() || bits < 0 || bits > 32) {
            list.error = "not a subnet: " + text + " (write 10.1.2.0/24)";
            return false;
        }
        if (bits < 16) {
            list.error = TooMany() + ": " + text;
            return false;
        }
        const std::uint32_t mask = bits == 0 ? 0 : ~std::uint32_t{0} << (32 - bits);
        const std::uint32_t first = *network & mask;
        return covered.Add(first, first | ~mask, list);
    }
    if (const auto dash = text.find('-'); dash != std::string::npos && LooksLikeAddress(text.substr(0, dash))) {
        const auto first = ParseAddress(text.substr(0, dash));
        const auto last = ParseAddress(text.substr(dash + 1));
        if (!first || !last || *last < *first) {
            list.error = "not a range: " + text + " (write 10.1.2.10-10.1.2.80)";
            return false;
        }
        return covered.Add(*first, *last, list);
    }
    if (const auto address = ParseAddress(text)) return covered.Add(*address, *address, list);
    if (LooksLikeAddress(text)) {
        list.error = "not an IPv4 address: " + text;
        return false;
    }
    auto known = resolver.names.find(text);
    if (known == resolver.names.end()) {
        if (resolver.names.size() == kMaxHostNames) {
            list.error = "more than " + std::to_string(kMaxHostNames) + " host names in one search: " + text;
            return false;
        }
        const auto resolved = resolver.resolve ? resolver.resolve(text) : std::nullopt;
        known = resolver.names.emplace(text, resolved ? ParseAddress(*resolved) : std::nullopt).first;
    }
    if (!known->second) {
        list.error = "cannot resolve " + text + " to an IPv4 address";
        return false;
    }
    return covered.Add(*known->second, *known->second, list);
}

}  // namespace

std::optional<std::string> ResolveHost(const std::string& name)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* result = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &result) != 0 || !result) return std::nullopt;
    const std::uint32_t address = ntohl(reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(result);
    return Dotted(address);
}

TargetList ParseTargets(const std::vector<std::string>& texts, const HostResolver& resolve)
{
    TargetList list;
    Covered covered;
    Resolved resolver{resolve, {}};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i].empty()) {
            list.error = "an empty target";
        } else if (AddOne(texts[i], resolver, list, covered)) {
            continue;
        }
        list.addresses.clear();
        list.failedText = i;
        return list;
    }
    return list;
}

TargetFile TargetsFromText(const std::string& text)
{
    TargetFile file;
    if (text.size() > kMaxTargetFileBytes) {
        file.error = "longer than " + std::to_string(kMaxTargetFileBytes) + " bytes";
        return file;
    }
    std::size_t start = 0;
    std::size_t number = 0;
    while (start < text.size()) {
        ++number;
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos) continue;
        const auto last = line.find_last_not_of(" \t\r");
        file.texts.push_back(line.substr(first, last - first + 1));
        file.lines.push_back(number);
    }
    return file;
}

TargetFile ReadTargetFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return {{}, {}, "cannot read " + path};
    std::string text;
    text.resize(kMaxTargetFileBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    TargetFile file = TargetsFromText(text);
    if (!file.error.empty()) file.error = path + ": " + file.error;
    return file;
}

}  // namespace signseek
