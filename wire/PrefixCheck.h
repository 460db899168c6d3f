#pragma once
// Finds element and attribute prefixes that no enclosing element declares.
// The runtime only notices them where it compares a name; a received message
// must not get through with one anywhere.

#include <string_view>

namespace signseek::wire {

// False when some element or attribute uses a prefix that is not declared
// (the reserved "xml" and "xmlns" prefixes excepted). Text the scanner cannot
// follow is left to the parser and counts as no finding.
bool AllPrefixesDeclared(std::string_view xml);

}  // namespace signseek::wire