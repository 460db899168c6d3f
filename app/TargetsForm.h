#pragma once
// The "Addresses..." dialog's texts and rules: the user's targets as the
// search takes them, each bad line named by its number and left out.

#include "discovery/TargetList.h"

#include <cstddef>
#include <string>
#include <vector>

namespace signseek {

inline constexpr char kAddressesButton[] = "Addresses...";
inline constexpr char kAddressesTitle[] = "Addresses";
inline constexpr char kAddressesHint[] =
    "Also ask these directly, one a line: an address, a range, a subnet such as 10.20.0.0/24, or a host name. "
    "# starts a comment.";
inline constexpr char kAddressesTip[] = "Addresses on other networks that \"Find Displays...\" asks as well";
inline constexpr char kTargetsLeftOut[] = "Some addresses are left out of this search:";
inline constexpr char kTargetsNotSaved[] = "The addresses could not be saved: %1. They apply until Signseek is closed.";
inline constexpr char kTargetsNotRead[] = "The saved addresses were not used: %1.";
// As signseek-find, the targets go with one adapter or none.
inline constexpr char kTargetsNotOnAllAdapters[] =
    "The addresses are asked with one adapter, not with \"All adapters\": this search leaves them out.";

// Bad lines named, at most; a text with more is refused as a whole.
inline constexpr std::size_t kMaxTargetProblems = 10;

struct CheckedTargets {
    std::vector<std::string> addresses;  // dotted IPv4, in the order given, each once
    std::vector<std::string> problems;   // one line each, as "Line 3: not an IPv4 address: 10.0.0.300"
    std::vector<std::size_t> badLines;   // each problem's line number; 0 for the list as a whole
};

// The text's targets (one a line, "#" comments), each host name resolved
// once. A bad line is named and left out and the others are kept; past
// kMaxTargetProblems bad lines, or a text too long to read, nothing is kept.
CheckedTargets CheckTargets(const std::string& text, const HostResolver& resolve);

// The text checked without asking the resolver: a host name passes as it
// stands, to be looked up when a search starts. Only the problems and their
// lines are filled in.
CheckedTargets CheckTargetSyntax(const std::string& text);

// Whether some line of the text is a host name, so that checking it asks the
// resolver (which may wait for a name server for seconds).
bool NamesAHost(const std::string& text);

// One problem line as a sentence for a message box: "Line 3: not an IPv4 address: 10.0.0.300."
std::string ProblemSentence(const std::string& problem);

}  // namespace signseek
