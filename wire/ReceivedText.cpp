#include "wire/ReceivedText.h"

#include "wire/ByteScan.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace signseek::wire {
namespace {

constexpr std::size_t kLongestName = 64;  // longer names are no structural element

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view LocalName(std::string_view name)
{
    const void* colon = name.empty() ? nullptr : ::memrchr(name.data(), ':', name.size());
    if (!colon) return name;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(colon) - name.data());
    return name.substr(at + 1);
}

// The structural elements by kind; 0 stands for the document itself.
enum Kind : unsigned char {
    kDocument,
    kEnvelope,
    kHeader,
    kBody,
    kReplyTo,
    kFrom,
    kFaultTo,
    kProbeMatches,
    kResolveMatches,
    kHello,
    kBye,
    kProbe,
    kResolve,
    kProbeMatch,
    kResolveMatch,
    kEndpointReference,
    kReferenceProperties,
    kReferenceParameters,
};

// The kind of an element named `child` inside the structural element
// `parent` when it is structural too (its own content is elements only),
// else kDocument.
Kind StructuralChild(unsigned char parent, std::string_view child)
{
    switch (parent) {
    case kDocument: return child == "Envelope" ? kEnvelope : kDocument;
    case kEnvelope:
        if (child == "Header") return kHeader;
        return child == "Body" ? kBody : kDocument;
    case kHeader:
        if (child == "ReplyTo") return kReplyTo;
        if (child == "From") return kFrom;
        return child == "FaultTo" ? kFaultTo : kDocument;
    case kBody:
        if (child == "ProbeMatches") return kProbeMatches;
        if (child == "ResolveMatches") return kResolveMatches;
        if (child == "Hello") return kHello;
        if (child == "Bye") return kBye;
        if (child == "Probe") return kProbe;
        return child == "Resolve" ? kResolve : kDocument;
    case kProbeMatches: return child == "ProbeMatch" ? kProbeMatch : kDocument;
    case kResolveMatches: return child == "ResolveMatch" ? kResolveMatch : kDocument;
    case kProbeMatch:
    case kResolveMatch:
    case kHello:
    case kBye:
    case kProbe:
    case kResolve: return child == "EndpointReference" ? kEndpointReference : kDocument;
    case kEndpointReference:
    case kReplyTo:
    case kFrom:
    case kFaultTo:
        if (child == "ReferenceProperties") return kReferenceProperties;
        return child == "ReferenceParameters" ? kReferenceParameters : kDocument;
    default: return kDocument;
    }
}

}  // namespace

void ReceivedTextFilter::Recent::Add(char c)
{
    if (size == sizeof bytes) {
        std::memmove(bytes, bytes + 1, sizeof bytes - 1);
        --size;
    }
    bytes[size++] = c;
}

bool ReceivedTextFilter::Recent::EndsWith(std::string_view mark) const
{
    return mark.size() <= size && std::string_view(bytes + size - mark.size(), mark.size()) == mark;
}

void ReceivedTextFilter::Reset(bool httpHeaderFirst)
{
    m_state = httpHeaderFirst ? State::HttpHeader : State::Text;
    m_name.size = 0;
    m_recent.size = 0;
    m_quote = 0;
    m_lastInTag = 0;
    m_attributeName.size = 0;
    m_attributeStart = nullptr;
    m_inAttributeName = false;
    m_readsAttributesByLocalName = false;
    m_depth = 0;
    m_otherDepth = 0;
    m_prefixes.Reset();
    m_tagStep = TagStep::Name;
}

void ReceivedTextFilter::Feed(char* data, std::size_t length, std::string& xml, std::size_t xmlLimit, bool& xmlTooLong)
{
    m_attributeStart = nullptr;  // bytes of an earlier call are gone
    m_nameStart = nullptr;
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
    m_prefixes.Text(&xml);
    if (xmlTooLong) m_prefixes.GiveUp();
    m_xmlFrom = data + i;
    m_xmlBase = xml.size() - (length - i);
    // Runs that need no look byte by byte (text, names, values, end tags)
    // are taken at once; every other byte goes through Byte.
    char* p = data + i;
    char* const end = data + length;
    while (p < end) {
        switch (m_state) {
        case State::Text:
            if (!Structural()) {
                p = FindAny<'<'>(p, end);
                if (p == end) return;
            } else {
                for (; p < end && *p != '<'; ++p)
                    if (!IsSpace(*p)) *p = ' ';
                if (p == end) return;
            }
            m_name.size = 0;
            if (++p < end) {
                Markup(*p++);
                if (m_state == State::StartTag) m_nameStart = p - 1;
            } else {
                m_state = State::Markup;
            }
            break;
        case State::StartTag: {
            char* q = FindAny<' ', '\t', '\n', '\r', '/', '>'>(p, end);
            if (q > p) m_lastInTag = q[-1];
            // A name read whole from these bytes is looked at where it is;
            // one cut off by their end is kept for the next call.
            std::string_view name;
            if (m_nameStart && q < end) {
                name = std::string_view(m_nameStart, std::min(static_cast<std::size_t>(q - m_nameStart), kNameRoom));
            } else {
                const char* from = p;
                if (m_nameStart) {
                    from = m_nameStart;
                    m_name.size = 0;
                }
                const std::size_t take = std::min(static_cast<std::size_t>(q - from), kNameRoom - m_name.size);
                std::memcpy(m_name.text + m_name.size, from, take);
                m_name.size += take;
                name = m_name.View();
            }
            m_nameStart = nullptr;
            p = q;
            if (p == end) return;
            EndElementName(name);
            if (m_prefixes.Watching()) PrefixStartTag(p);
            // A tag without attributes is done here; any other end byte is
            // read in the attributes.
            if (*p == '>') {
                if (m_prefixes.Watching()) m_prefixes.EndOfStartTag(false);
                OpenElement();
                m_state = State::Text;
                ++p;
            }
            break;
        }
        case State::Attributes:
            if (m_inAttributeName) {
                for (char* q = FindAny<' ', '\t', '\n', '\r', '=', '/', '>'>(p, end); p < q;) m_attributeName.Add(*p++);
                if (p == end) return;
            }
            Byte(*p++);
            break;
        case State::Quoted:
            p = static_cast<char*>(std::memchr(p, m_quote, static_cast<std::size_t>(end - p)));
            if (!p) return;
            ++p;
            m_state = State::Attributes;
            m_lastInTag = m_quote;
            break;
        case State::EndTag:
        case State::Instruction:
            p = FindAny<'>'>(p, end);
            if (p == end) return;
            if (m_state == State::Instruction && m_prefixes.Watching()) m_prefixes.EndOfInstruction(At(p));
            ++p;
            if (m_state == State::EndTag) CloseElement();
            m_state = State::Text;
            break;
        default: Byte(*p++); break;
        }
    }
}

void ReceivedTextFilter::EndAttributeName()
{
    const std::string_view name = m_attributeName.View();
    const std::size_t colon = name.find(':');
    if (m_readsAttributesByLocalName && m_attributeStart && colon != std::string_view::npos &&
        name.substr(0, colon) != "xmlns") {
        const std::string_view local = name.substr(colon + 1);
        for (std::string_view known :
             {"MatchBy", "InstanceId", "SequenceId", "MessageNumber", "PortName", "RelationshipType"}) {
            if (local == known) {
                std::memset(m_attributeStart, ' ', colon + 1);
                break;
            }
        }
    }
    m_attributeName.size = 0;
    m_attributeStart = nullptr;
    m_inAttributeName = false;
}

void ReceivedTextFilter::EndElementName(std::string_view name)
{
    m_state = State::Attributes;
    m_readsAttributesByLocalName = false;
    // Below an element that is not structural, the name is of no interest.
    if (m_otherDepth > 0) return;
    const std::string_view local = LocalName(name);
    m_readsAttributesByLocalName =
        m_depth > 0 && (local == "Scopes" || local == "AppSequence" || local == "ServiceName" || local == "RelatesTo");
    const unsigned char parent = m_depth ? m_structural[m_depth - 1] : static_cast<unsigned char>(kDocument);
    m_openKind = name.size() > kLongestName ? kDocument : StructuralChild(parent, local);
}

void ReceivedTextFilter::Markup(const char& c)
{
    if (c == '/') {
        m_state = State::EndTag;
    } else if (c == '?') {
        m_state = State::Instruction;
    } else if (c == '!') {
        m_state = State::Bang;
        m_prefixes.GiveUp();  // the check reads declarations and comments its own way
    } else {
        m_state = State::StartTag;
        m_name.size = 0;
        m_name.Add(c);
        m_lastInTag = c;
        m_tagNameAt = At(&c);
        if (IsSpace(c) || c == '>' || c == '=') m_prefixes.GiveUp();
    }
}

void ReceivedTextFilter::PrefixStartTag(const char* nameEnd)
{
    m_prefixes.StartTag(m_tagNameAt, At(nameEnd) - m_tagNameAt);
    m_tagStep = TagStep::BeforeAttribute;
}

// Follows the check's reading of a start tag's attributes; where it would
// read them otherwise, or stop, the check itself is asked.
void ReceivedTextFilter::PrefixAttributeByte(char& c)
{
    switch (m_tagStep) {
    case TagStep::BeforeAttribute:
        if (IsSpace(c)) return;
        if (c == '>') {
            m_prefixes.EndOfStartTag(false);
            m_tagStep = TagStep::Name;
        } else if (c == '/') {
            m_prefixes.EndOfStartTag(true);
            m_tagStep = TagStep::Slash;
        } else if (c == '=' || c == '"' || c == '\'') {
            m_prefixes.GiveUp();
        } else {
            m_tagStep = TagStep::AttributeName;
            m_attributeAt = At(&c);
        }
        return;
    case TagStep::AttributeName:
        m_prefixes.Attribute(m_attributeAt, At(&c) - m_attributeAt);
        m_tagStep = TagStep::AfterName;
        [[fallthrough]];
    case TagStep::AfterName:
        if (c == '=')
            m_tagStep = TagStep::AfterEquals;
        else if (!IsSpace(c))
            m_prefixes.GiveUp();
        return;
    case TagStep::AfterEquals:
        if (c == '"' || c == '\'')
            m_tagStep = TagStep::BeforeAttribute;
        else if (!IsSpace(c))
            m_prefixes.GiveUp();
        return;
    case TagStep::Slash:
        if (c == '>')
            m_tagStep = TagStep::Name;
        else
            m_prefixes.GiveUp();
        return;
    case TagStep::Name: m_prefixes.GiveUp(); return;
    }
}

void ReceivedTextFilter::OpenElement()
{
    if (m_otherDepth == 0 && m_openKind != kDocument && m_depth < kMaxStructuralDepth)
        m_structural[m_depth++] = m_openKind;
    else
        ++m_otherDepth;
}

void ReceivedTextFilter::CloseElement()
{
    if (m_prefixes.Watching()) m_prefixes.EndTag();
    if (m_otherDepth > 0)
        --m_otherDepth;
    else if (m_depth > 0)
        --m_depth;
}

void ReceivedTextFilter::Byte(char& c)
{
    switch (m_state) {
    case State::HttpHeader:
        m_recent.Add(c);
        if (m_recent.EndsWith("\r\n\r\n") || m_recent.EndsWith("\n\n")) m_state = State::Text;
        return;
    case State::Text:
        if (c == '<') {
            m_state = State::Markup;
            m_name.size = 0;
        } else if (Structural() && !IsSpace(c)) {
            c = ' ';
        }
        return;
    case State::Markup: Markup(c); return;
    case State::Bang: {
        m_name.Add(c);
        const std::string_view name = m_name.View();
        if (name == "--") {
            m_state = State::Comment;
            m_recent.size = 0;
        } else if (name == "[CDATA[") {
            m_state = State::CData;
            m_recent.size = 0;
        } else if (!std::string_view("--").starts_with(name) && !std::string_view("[CDATA[").starts_with(name)) {
            m_state = c == '>' ? State::Text : State::Instruction;
        }
        return;
    }
    case State::StartTag:
        if (IsSpace(c) || c == '/' || c == '>') {
            EndElementName(m_name.View());
            if (m_prefixes.Watching()) PrefixStartTag(&c);
            Byte(c);
            return;
        }
        m_name.Add(c);
        m_lastInTag = c;
        return;
    case State::Attributes:
        if (m_prefixes.Watching()) PrefixAttributeByte(c);
        if (m_inAttributeName) {
            if (!IsSpace(c) && c != '=' && c != '/' && c != '>') {
                m_attributeName.Add(c);
                return;
            }
            EndAttributeName();
        } else if (!IsSpace(c) && c != '=' && c != '/' && c != '>' && c != '"' && c != '\'') {
            m_inAttributeName = true;
            m_attributeName.size = 0;
            m_attributeName.Add(c);
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
        m_recent.Add(c);
        if (m_recent.EndsWith("-->")) m_state = State::Text;
        return;
    case State::CData:
        // Left as sent: its end mark cannot be told in time from content.
        m_recent.Add(c);
        if (m_recent.EndsWith("]]>")) m_state = State::Text;
        return;
    case State::Instruction:
        if (c == '>') {
            if (m_prefixes.Watching()) m_prefixes.EndOfInstruction(At(&c));
            m_state = State::Text;
        }
        return;
    }
}

}  // namespace signseek::wire
