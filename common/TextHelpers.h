#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace signseek {

// Characters that separate tokens in Types, XAddrs and service lists.
inline constexpr char WHITESPACE_DELIMITERS[] = " \t\n\r";

// Pieces of text between runs of any of the delimiter characters, in order.
// Never yields an empty piece.
std::vector<std::string> SplitString(std::string_view text, std::string_view delimiters);

// Host part of the last "http://" address in text, e.g. "10.1.2.3" for
// "http://10.1.2.3:8080/svc". Text without "http://" is taken whole.
std::string HostOfUrl(std::string_view text);

// Port text after the last ':' up to the next '/', or empty without ':'.
std::string PortOfUrl(std::string_view text);

// Leading decimal integer as atoi reads it: optional white space, optional
// sign, then the digits up to the first other character. Saturates at the int
// range instead of overflowing. LeadingDigits is empty without digits,
// LeadingInteger is 0.
std::optional<int> LeadingDigits(std::string_view text);
int LeadingInteger(std::string_view text);

// Text after the last ':' (the whole text when it has none).
std::string_view TextAfterLastColon(std::string_view text);

// -1, 0 or 1: ASCII letters compare without case, every other byte by its
// unsigned value; a prefix comes first.
int CompareIgnoringAsciiCase(std::string_view a, std::string_view b);

inline bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

}  // namespace signseek
