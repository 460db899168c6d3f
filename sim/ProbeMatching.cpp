#include "sim/ProbeMatching.h"

#include "wire/NamespaceTable.h"

#include <algorithm>
#include <cctype>

namespace signseek::sim {
namespace {

constexpr char kStrcmp0MatchBy[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/strcmp0";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view LocalName(std::string_view qname)
{
    auto colon = qname.rfind(':');
    return colon == std::string_view::npos ? qname : qname.substr(colon + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

struct ScopeParts {
    std::string_view scheme;
    std::string_view authority;
    std::vector<std::string_view> segments;
};

// "scheme:[//authority]path[?query][#fragment]"; false when there is no scheme.
bool SplitScope(std::string_view uri, ScopeParts& parts)
{
    uri = uri.substr(0, uri.find_first_of("?#"));
    auto colon = uri.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    parts.scheme = uri.substr(0, colon);
    std::string_view rest = uri.substr(colon + 1);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        auto slash = rest.find('/');
        parts.authority = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash);
    }
    if (rest.starts_with('/')) rest.remove_prefix(1);
    // A trailing "/" ends the path; it does not add an empty segment.
    if (rest.ends_with('/')) rest.remove_suffix(1);
    parts.segments.clear();
    if (rest.empty()) return true;
    for (;;) {
        auto slash = rest.find('/');
        parts.segments.push_back(rest.substr(0, slash));
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    return true;
}

bool HasDotSegment(const ScopeParts& parts)
{
    return std::any_of(parts.segments.begin(), parts.segments.end(),
                       [](std::string_view s) { return s == "." || s == ".."; });
}

}  // namespace

std::vector<std::string> SplitList(std::string_view text)
{
    std::vector<std::string> items;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i])) ++i;
        if (i > start) items.emplace_back(text.substr(start, i - start));
    }
    return items;
}

bool TypesMatch(std::string_view probeTypes, std::string_view deviceTypes)
{
    const std::vector<std::string> wanted = SplitList(probeTypes);
    const std::vector<std::string> offered = SplitList(deviceTypes);
    return std::all_of(wanted.begin(), wanted.end(), [&](const std::string& w) {
        return std::any_of(offered.begin(), offered.end(),
                           [&](const std::string& o) { return LocalName(w) == LocalName(o); });
    });
}

bool Rfc2396ScopeMatches(std::string_view probeScope, std::string_view deviceScope)
{
    return Rfc2396Mismatch(probeScope, deviceScope).empty();
}

std::string Rfc2396Mismatch(std::string_view probeScope, std::string_view deviceScope)
{
    ScopeParts probe, device;
    if (!SplitScope(probeScope, probe)) return "the probe scope has no scheme";
    if (!SplitScope(deviceScope, device)) return "no scheme";
    if (HasDotSegment(probe) || HasDotSegment(device)) return "a \".\" or \"..\" segment";
    if (!EqualNoCase(probe.scheme, device.scheme)) return "another scheme";
    if (!EqualNoCase(probe.authority, device.authority)) return "another host";
    if (probe.segments.size() > device.segments.size() ||
        !std::equal(probe.segments.begin(), probe.segments.end(), device.segments.begin()))
        return "a path outside the probe's";
    return "";
}

ScopeRule RuleOf(std::string_view matchBy)
{
    if (matchBy.empty() || matchBy == wire::kRfc2396MatchBy) return ScopeRule::Rfc2396;
    if (matchBy == kStrcmp0MatchBy) return ScopeRule::Strcmp0;
    return ScopeRule::Unsupported;
}

bool ScopesMatch(std::string_view probeScopes, std::string_view matchBy, std::string_view deviceScopes)
{
    const ScopeRule rule = RuleOf(matchBy);
    const std::vector<std::string> wanted = SplitList(probeScopes);
    if (wanted.empty()) return true;
    if (rule == ScopeRule::Unsupported) return false;
    const std::vector<std::string> offered = SplitList(deviceScopes);
    return std::all_of(wanted.begin(), wanted.end(), [&](const std::string& w) {
        return std::any_of(offered.begin(), offered.end(), [&](const std::string& o) {
            return rule == ScopeRule::Strcmp0 ? w == o : Rfc2396ScopeMatches(w, o);
        });
    });
}

}  // namespace signseek::sim