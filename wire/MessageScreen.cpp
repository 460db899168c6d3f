#include "wire/MessageScreen.h"

#include <stdsoap2.h>

namespace signseek::wire {

int ScreenMessage(std::string_view xml)
{
    // XML has no NUL character, not even as a reference; the runtime's C
    // strings would cut the device's text there without a word.
    if (xml.find('\0') != std::string_view::npos) return SOAP_SYNTAX_ERROR;
    std::size_t declarations = 0, elements = 0, total = 0;
    std::size_t pos = 0;
    while ((pos = xml.find('<', pos)) != std::string_view::npos) {
        ++pos;
        if (pos >= xml.size() || xml[pos] == '/' || xml[pos] == '?' || xml[pos] == '!') continue;
        // A start tag: count its attributes up to the closing '>', skipping quoted values.
        if (++elements > kMaxElements) return SOAP_OCCURS;
        std::size_t attributes = 0;
        char quote = 0;
        for (; pos < xml.size(); ++pos) {
            char c = xml[pos];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '=') {
                if (++attributes > kMaxAttributesPerElement || ++total > kMaxAttributes) return SOAP_OCCURS;
                std::size_t name = xml.find_last_not_of(" \t\r\n", pos - 1);
                std::size_t start = xml.find_last_of(" \t\r\n", name);
                std::string_view attribute = xml.substr(start == std::string_view::npos ? 0 : start + 1,
                                                        name == std::string_view::npos ? 0 : name - start);
                if (attribute.substr(0, 5) == "xmlns" && ++declarations > kMaxNamespaceDeclarations) return SOAP_OCCURS;
            } else if (c == '>' || c == '<') {
                break;
            }
        }
    }
    return 0;
}

}  // namespace signseek::wire