#include "common/TerminalWidth.h"

#include <utf8proc.h>

namespace signseek {

int CharacterColumns(std::string_view utf8, std::size_t* length)
{
    utf8proc_int32_t codepoint = -1;
    const utf8proc_ssize_t bytes = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(utf8.data()),
                                                    static_cast<utf8proc_ssize_t>(utf8.size()), &codepoint);
    if (bytes <= 0 || codepoint < 0) {
        *length = utf8.empty() ? 0 : 1;
        return utf8.empty() ? 0 : 1;
    }
    *length = static_cast<std::size_t>(bytes);
    return utf8proc_charwidth(codepoint);
}

std::size_t TerminalColumns(std::string_view utf8)
{
    std::size_t columns = 0;
    while (!utf8.empty()) {
        std::size_t length = 0;
        columns += static_cast<std::size_t>(CharacterColumns(utf8, &length));
        utf8.remove_prefix(length);
    }
    return columns;
}

}  // namespace signseek
