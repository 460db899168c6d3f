#pragma once
// How many terminal columns UTF-8 text takes: East Asian wide characters and
// most emoji take two, combining marks none.

#include <cstddef>
#include <string_view>

namespace signseek {

// Columns of the one character at the start of utf8; *length gets its bytes
// (1 for a byte that starts no valid character, which counts one column).
int CharacterColumns(std::string_view utf8, std::size_t* length);

std::size_t TerminalColumns(std::string_view utf8);

}  // namespace signseek
