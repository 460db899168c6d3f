#pragma once
// A cheap look at a received message before the runtime parses it. The
// runtime's parser compares every attribute of an element with the ones
// before it and every prefix with the declarations in scope, so a message
// crowded with them costs time quadratic in its size; such messages are
// refused unparsed. No real answer comes near the limits.

#include <cstddef>
#include <string_view>

namespace wire {

inline constexpr std::size_t kMaxAttributesPerElement = 64;
inline constexpr std::size_t kMaxNamespaceDeclarations = 256;  // in one message

// 0 when the message may be parsed, else the error code to refuse it with
// (the occurrence violation).
int ScreenMessage(std::string_view xml);

}  // namespace wire
