#include "wire/ReceivedText.h"

#include <cstring>
#include <initializer_list>
#include <string_view>

namespace signseek::wire {
namespace {

constexpr std::size_t kLongestName = 64;  // longer names are no structural element

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view LocalName(std::string_view name)
{
    std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// Whether an element named `child` inside the structural element `parent`
// ("" for the document itself) is structural too: its own content is
// elements only.
bool StructuralChild(std::string_view parent, std::string_view child)
{
    auto any = [child](std::initializer_list<std::string_view> names) {
        for (std::string_view n : names)
            if (child == n) return true;
        return false;
    };
    if (parent.empty()) return child == "Envelope";
    if (parent == "Envelope") return any({"Header", "Body"});
    if (parent == "Header") return any({"ReplyTo", "From", "FaultTo"});
    if (parent == "Body") return any({"ProbeMatches", "ResolveMatches", "Hello", "Bye", "Probe", "Resolve"});
    if (parent == "ProbeMatches") return child == "ProbeMatch";
    if (parent == "ResolveMatches") return child == "ResolveMatch";
    if (parent == "ProbeMatch" || parent == "ResolveMatch" || parent == "Hello" || parent == "Bye" ||
        parent == "Probe" || parent == "Resolve")
        return child == "EndpointReference";
    if (parent == "EndpointReference" || parent == "ReplyTo" || parent == "From" || parent == "FaultTo")
        return any({"ReferenceProperties", "ReferenceParameters"});
    return false;
}

}  // namespace

void ReceivedTextFilter::Reset(bool httpHeaderFirst)
{
    m_state = httpHeaderFirst ? State::HttpHeader : State::Text;
    m_name.clear();
    m_recent.clear();
    m_quote = 0;
    m_lastInTag = 0;
    m_attributeName.clear();
    m_attributeStart = nullptr;
    m_inAttributeName = false;
    m_readsAttributesByLocalName = false;
    m_structural.clear();
    m_otherDepth = 0;
}

void ReceivedTextFilter::Feed(char* data, std::size_t length, std::string& xml, std::size_t xmlLimit, bool& xmlTooLong)
{
    m_attributeStart = nullptr;  // bytes of an earlier call are gone
    std::size_t i = 0;
    while (i < length && m_state == State::HttpHeader) Byte(data[i++]);
    // The checks read the message as sent, before any blanking.
    if (!xmlTooLong && i < length) {
        if (xml.size() + (length - i) > xmlLimit) {
            xmlTooLong = true;
            xml.clear();
        } else {
            xml.append(data + i, length - i);
        }
    }
    while (i < length) {
        // Text that is not stray needs no look until the next tag.
        if (m_state == State::Text && !Structural()) {
            const void* lt = std::memchr(data + i, '<', length - i);
            if (!lt) break;
            i = static_cast<std::size_t>(static_cast<const char*>(lt) - data);
        }
        Byte(data[i++]);
    }
}

void ReceivedTextFilter::EndAttributeName()
{
    const std::size_t colon = m_attributeName.find(':');
    if (m_readsAttributesByLocalName && m_attributeStart && colon != std::string::npos &&
        m_attributeName.compare(0, colon, "xmlns") != 0) {
        const std::string_view local = std::string_view(m_attributeName).substr(colon + 1);
        for (std::string_view known :
             {"MatchBy", "InstanceId", "SequenceId", "MessageNumber", "PortName", "RelationshipType"}) {
            if (local == known) {
                for (std::size_t k = 0; k <= colon; ++k) m_attributeStart[k] = ' ';
                break;
            }
        }
    }
    m_attributeName.clear();
    m_attributeStart = nullptr;
    m_inAttributeName = false;
}

void ReceivedTextFilter::Remember(char c)
{
    m_recent += c;
    if (m_recent.size() > 4) m_recent.erase(0, m_recent.size() - 4);
}

void ReceivedTextFilter::OpenElement()
{
    if (m_otherDepth > 0 || m_name.size() > kLongestName) {
        ++m_otherDepth;
        return;
    }
    const std::string_view parent = m_structural.empty() ? std::string_view{} : std::string_view(m_structural.back());
    const std::string_view child = LocalName(m_name);
    if (StructuralChild(parent, child))
        m_structural.emplace_back(child);
    else
        ++m_otherDepth;
}

void ReceivedTextFilter::CloseElement()
{
    if (m_otherDepth > 0)
        --m_otherDepth;
    else if (!m_structural.empty())
        m_structural.pop_back();
}

void ReceivedTextFilter::Byte(char& c)
{
    switch (m_state) {
    case State::HttpHeader:
        Remember(c);
        if (m_recent.ends_with("\r\n\r\n") || m_recent.ends_with("\n\n")) m_state = State::Text;
        return;
    case State::Text:
        if (c == '<') {
            m_state = State::Markup;
            m_name.clear();
        } else if (Structural() && !IsSpace(c)) {
            c = ' ';
        }
        return;
    case State::Markup:
        if (c == '/') {
            m_state = State::EndTag;
        } else if (c == '?') {
            m_state = State::Instruction;
        } else if (c == '!') {
            m_state = State::Bang;
        } else {
            m_state = State::StartTag;
            m_name = c;
            m_lastInTag = c;
        }
        return;
    case State::Bang:
        m_name += c;
        if (m_name == "--") {
            m_state = State::Comment;
            m_recent.clear();
        } else if (m_name == "[CDATA[") {
            m_state = State::CData;
            m_recent.clear();
        } else if (!std::string_view("--").starts_with(m_name) && !std::string_view("[CDATA[").starts_with(m_name)) {
            m_state = c == '>' ? State::Text : State::Instruction;
        }
        return;
    case State::StartTag:
        if (IsSpace(c) || c == '/' || c == '>') {
            m_state = State::Attributes;
            // The records' own attributes are read by their local name; the
            // runtime matches them unprefixed only, so their prefix is blanked.
            const std::string_view local = LocalName(m_name);
            m_readsAttributesByLocalName = Structural() && (local == "Scopes" || local == "AppSequence" ||
                                                            local == "ServiceName" || local == "RelatesTo");
            Byte(c);
            return;
        }
        if (m_name.size() <= kLongestName) m_name += c;
        m_lastInTag = c;
        return;
    case State::Attributes:
        if (m_inAttributeName) {
            if (!IsSpace(c) && c != '=' && c != '/' && c != '>') {
                if (m_attributeName.size() <= kLongestName) m_attributeName += c;
                return;
            }
            EndAttributeName();
        } else if (!IsSpace(c) && c != '=' && c != '/' && c != '>' && c != '"' && c != '\'') {
            m_inAttributeName = true;
            m_attributeName = c;
            m_attributeStart = &c;
            m_lastInTag = c;
            return;
        }
        if (c == '"' || c == '\'') {
            m_quote = c;
            m_state = State::Quoted;
        } else if (c == '>') {
            if (m_lastInTag != '/') OpenElement();
            m_state = State::Text;
            return;
        }
        if (!IsSpace(c)) m_lastInTag = c;
        return;
    case State::Quoted:
        if (c == m_quote) {
            m_state = State::Attributes;
            m_lastInTag = c;
        }
        return;
    case State::EndTag:
        if (c == '>') {
            CloseElement();
            m_state = State::Text;
        }
        return;
    case State::Comment:
        Remember(c);
        if (m_recent.ends_with("-->")) m_state = State::Text;
        return;
    case State::CData:
        // Left as sent: its end mark cannot be told in time from content.
        Remember(c);
        if (m_recent.ends_with("]]>")) m_state = State::Text;
        return;
    case State::Instruction:
        if (c == '>') m_state = State::Text;
        return;
    }
}

}  // namespace signseek::wire