#pragma once
// Reading rules for the unsigned 32-bit numbers of WS-Discovery messages.

#include <cstdint>
#include <optional>
#include <string_view>

namespace signseek::wire {

// White space around the digits is ignored, empty gives 0, a leading minus
// wraps modulo 2^32; anything else after the digits, or a value above
// 4294967295, is no number (nullopt).
std::optional<std::uint32_t> ParseUnsigned32(std::string_view text);

// Whether an announced type (any prefix) may carry an unsigned number.
bool IsUnsignedTypeName(std::string_view qualifiedName);

}  // namespace signseek::wire