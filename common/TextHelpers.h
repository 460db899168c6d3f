#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// Leading decimal integer: optional white space, optional sign, digits.
// 0 without digits; saturates at the int range instead of overflowing.
int LeadingInteger(std::string_view text);

// Text after the last ':' (the whole text when it has none).
std::string_view TextAfterLastColon(std::string_view text);

// -1, 0 or 1: ASCII letters compare without case, every other byte by its
// unsigned value; a prefix comes first.
int CompareIgnoringAsciiCase(std::string_view a, std::string_view b);

inline bool Contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}
