#include "wire/XmlWriter.h"

#include "wire/WireState.h"

#include <algorithm>

namespace signseek::wire {
namespace {

void AppendLatin1(std::string& out, unsigned char c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

int ContextOutput::Put(std::string_view bytes)
{
    if (soap_send_raw(m_ctx, bytes.data(), bytes.size())) return m_ctx->error;
    return 0;
}

std::string EscapeContent(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (unsigned char c : latin1) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\r': out += "&#xD;"; break;
        case '\n': out += "&#xA;"; break;
        default: AppendLatin1(out, c);
        }
    }
    return out;
}

std::string EscapeAttribute(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (unsigned char c : latin1) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '"': out += "&quot;"; break;
        case '\t': out += "&#x9;"; break;
        case '\n': out += "&#xA;"; break;
        case '\r': out += "&#xD;"; break;
        default: AppendLatin1(out, c);
        }
    }
    return out;
}

XmlWriter::XmlWriter(soap* ctx, Output& out) : m_ctx(ctx), m_out(out), m_version(StateOf(ctx).version) {}

void XmlWriter::Emit(std::string_view bytes)
{
    if (m_error) return;
    m_error = m_out.Put(bytes);
}

void XmlWriter::QueueAttribute(std::string_view name, std::string_view value)
{
    auto& order = StateOf(m_ctx).attributeOrder;
    if (std::find(order.begin(), order.end(), name) == order.end()) order.insert(order.begin(), std::string(name));
    for (auto& pending : m_pending) {
        if (pending.first == name) {
            pending.second = value;
            return;
        }
    }
    m_pending.emplace_back(std::string(name), std::string(value));
}

void XmlWriter::StartElement(std::string_view name, const char* announcedType, bool mustUnderstand)
{
    std::string tag = "<";
    tag += name;
    if (announcedType) {
        tag += " e:type=\"";
        tag += announcedType;
        tag += '"';
    }
    if (mustUnderstand) tag += m_version == 1 ? " b:mustUnderstand=\"1\"" : " b:mustUnderstand=\"true\"";
    for (const std::string& known : StateOf(m_ctx).attributeOrder) {
        for (const auto& pending : m_pending) {
            if (pending.first != known) continue;
            tag += ' ';
            tag += pending.first;
            tag += "=\"";
            tag += EscapeAttribute(pending.second);
            tag += '"';
        }
    }
    m_pending.clear();
    tag += '>';
    Emit(tag);
}

void XmlWriter::EndElement(std::string_view name)
{
    std::string tag = "</";
    tag += name;
    tag += '>';
    Emit(tag);
}

void XmlWriter::TextElement(std::string_view name, std::string_view text, const char* announcedType,
                            bool mustUnderstand)
{
    StartElement(name, announcedType, mustUnderstand);
    Text(text);
    EndElement(name);
}

void XmlWriter::Text(std::string_view latin1) { Emit(EscapeContent(latin1)); }

void XmlWriter::Literal(std::string_view xml) { Emit(xml); }

}  // namespace signseek::wire