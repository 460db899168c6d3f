#include "common/TextHelpers.h"

#include <algorithm>
#include <climits>

namespace signseek {

std::vector<std::string> SplitString(std::string_view text, std::string_view delimiters)
{
    std::vector<std::string> pieces;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = text.find_first_not_of(delimiters, pos);
        if (start == std::string_view::npos) break;
        std::size_t end = text.find_first_of(delimiters, start);
        if (end == std::string_view::npos) end = text.size();
        pieces.emplace_back(text.substr(start, end - start));
        pos = end;
    }
    return pieces;
}

std::string HostOfUrl(std::string_view text)
{
    static constexpr std::string_view scheme = "http://";
    const std::size_t at = text.rfind(scheme);
    if (at != std::string_view::npos) text.remove_prefix(at + scheme.size());
    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) text = text.substr(0, colon);
    return std::string(text);
}

std::string PortOfUrl(std::string_view text)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) return {};
    std::string_view port = text.substr(colon + 1);
    const std::size_t slash = port.find('/');
    if (slash != std::string_view::npos) port = port.substr(0, slash);
    return std::string(port);
}

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
}  // namespace

std::optional<int> LeadingDigits(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t firstDigit = i;
    // Accumulate as a negative number so INT_MIN is reachable.
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 - (text[i] - '0');
        if (value < static_cast<long long>(INT_MIN) - 1)
            value = static_cast<long long>(INT_MIN) - 1;  // keep clamped, keep scanning
    }
    if (i == firstDigit) return std::nullopt;
    if (negative) return value < INT_MIN ? INT_MIN : static_cast<int>(value);
    return -value > INT_MAX ? INT_MAX : static_cast<int>(-value);
}

int LeadingInteger(std::string_view text) { return LeadingDigits(text).value_or(0); }

std::string_view TextAfterLastColon(std::string_view text)
{
    const std::size_t colon = text.rfind(':');
    return colon == std::string_view::npos ? text : text.substr(colon + 1);
}

namespace {
unsigned char AsciiLower(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}
}  // namespace

int CompareIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = AsciiLower(a[i]), y = AsciiLower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace signseek
