#pragma once
// Where a new device row goes: the list keeps its rows in ascending order of
// their name text as they are inserted.

#include <string>
#include <string_view>
#include <vector>

namespace signseek {

// -1, 0 or 1; ASCII letters compare without case, other bytes as unsigned.
int CompareNameText(std::string_view a, std::string_view b);

// The index at which name keeps names (already in order) ascending; after
// any equal names, so equal rows stay in arrival order.
int InsertionIndex(const std::vector<std::string>& names, std::string_view name);

}  // namespace signseek
