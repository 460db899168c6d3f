// Codec of the generator's xsd__unsignedInt, declared as a custom type so the
// system's own reading rules apply to elements and attributes alike.

#include "wire/UnsignedCodec.h"

#include "soapH.h"

#include <string>

namespace signseek::wire {
namespace {

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::optional<std::uint32_t> ParseUnsigned32(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsXmlSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    std::uint64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
        if (value > 0xFFFFFFFFull) return std::nullopt;
        ++i;
    }
    while (i < text.size() && IsXmlSpace(text[i])) ++i;
    if (i != text.size()) return std::nullopt;
    auto result = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

bool IsUnsignedTypeName(std::string_view qualifiedName)
{
    std::size_t colon = qualifiedName.rfind(':');
    std::string_view local = colon == std::string_view::npos ? qualifiedName : qualifiedName.substr(colon + 1);
    return local == "unsignedInt" || local == "unsignedShort" || local == "unsignedByte";
}

}  // namespace signseek::wire
void soap_default_xsd__unsignedInt(struct soap*, unsigned int* a) { *a = 0; }

const char* soap_xsd__unsignedInt2s(struct soap* soap, unsigned int n)
{
    return soap_strdup(soap, std::to_string(n).c_str());
}

int soap_out_xsd__unsignedInt(struct soap* soap, const char* tag, int id, const unsigned int* a, const char* type)
{
    if (soap_element_begin_out(soap, tag, soap_embedded_id(soap, id, a, SOAP_TYPE_xsd__unsignedInt), type) ||
        soap_string_out(soap, soap_xsd__unsignedInt2s(soap, *a), 0))
        return soap->error;
    return soap_element_end_out(soap, tag);
}

int soap_s2xsd__unsignedInt(struct soap* soap, const char* s, unsigned int* a)
{
    if (!s) return soap->error = SOAP_OK;
    auto value = signseek::wire::ParseUnsigned32(s);
    if (!value) return soap->error = SOAP_TYPE;
    *a = *value;
    return soap->error = SOAP_OK;
}

unsigned int* soap_in_xsd__unsignedInt(struct soap* soap, const char* tag, unsigned int* a, const char*)
{
    if (soap_element_begin_in(soap, tag, 0, nullptr)) return nullptr;
    if (*soap->type && !signseek::wire::IsUnsignedTypeName(soap->type)) {
        soap->error = SOAP_TYPE;
        return nullptr;
    }
    a = static_cast<unsigned int*>(soap_id_enter(soap, soap->id, a, SOAP_TYPE_xsd__unsignedInt, sizeof(unsigned int),
                                                 nullptr, nullptr, nullptr, nullptr));
    if (!a) return nullptr;
    *a = 0;
    if (soap->body) {
        const char* text = soap_string_in(soap, 0, -1, -1, nullptr);
        if (!text && soap->error) return nullptr;
        if (soap_s2xsd__unsignedInt(soap, text, a)) return nullptr;
        if (soap_element_end_in(soap, tag)) return nullptr;
    }
    return a;
}
