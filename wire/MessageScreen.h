#pragma once
// A cheap look at a received message before the runtime parses it. The
// runtime's parser compares every attribute with the ones it has seen and
// every prefix with the declarations in scope, and slows down more than in
// proportion with thousands of elements, so a message crowded with them
// costs far more than its size; such messages are refused unparsed. A real
// answer has about 30 elements and 15 attributes.

#include <cstddef>
#include <string_view>

namespace signseek::wire {

inline constexpr std::size_t kMaxAttributesPerElement = 64;
// In one message:
inline constexpr std::size_t kMaxElements = 1024;
inline constexpr std::size_t kMaxAttributes = 1024;  // namespace declarations included
inline constexpr std::size_t kMaxNamespaceDeclarations = 64;

// 0 when the message may be parsed, else the error code to refuse it with:
// the syntax error for a NUL byte, the occurrence violation for a crowd.
int ScreenMessage(std::string_view xml);

}  // namespace signseek::wire