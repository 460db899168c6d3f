#pragma once
// Follows the received bytes of one message as they arrive, before the
// parser reads them.
//
// Devices send pretty-printed answers and, now and then, stray text between
// the children of a record. The runtime would read such text as the literal
// content of the record and take every later child with it, so character data
// other than white space that stands directly inside a structural element
// (envelope, header, body, the discovery records and their endpoint
// references) is blanked to spaces. Text inside the elements that carry
// values, and inside extension elements, is left exactly as sent. The
// prefix of a record attribute (MatchBy and the like), which is read by its
// local name, is blanked as well.
//
// On a TCP exchange the bytes start with the HTTP request header; only what
// follows its empty line is XML. That XML is also kept for the checks made
// once the message has been read, and the prefixes its elements declare and
// use are followed on the way (see Prefixes).

#include "wire/PrefixScopes.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace signseek::wire {

class ReceivedTextFilter {
public:
    // `httpHeaderFirst`: the bytes begin with an HTTP request header.
    void Reset(bool httpHeaderFirst);

    // Blanks in place and appends the XML part, as it came, to `xml` (not
    // beyond `xmlLimit` bytes; `xmlTooLong` tells when more came).
    void Feed(char* data, std::size_t length, std::string& xml, std::size_t xmlLimit, bool& xmlTooLong);

    // Whether every prefix of the XML fed so far is declared, as
    // AllPrefixesDeclared finds; Unknown where the filter read some markup
    // (a declaration, a comment, an attribute not written name="value")
    // in a way that check might not, and then only it can tell.
    PrefixScopes::Finding Prefixes() const { return m_prefixes.Result(); }

private:
    enum class State {
        HttpHeader,
        Text,
        Markup,      // just after '<'
        Bang,        // "<!" until it is a comment, CDATA or a declaration
        EndTag,      // "</" up to '>'
        StartTag,    // element name
        Attributes,  // inside a start tag after its name
        Quoted,      // attribute value
        Comment,
        CData,
        Instruction,  // <? ... ?> and <! ... >
    };

    // Names are kept up to one byte past the longest structural name, so
    // that a longer one is still told apart.
    static constexpr std::size_t kNameRoom = 65;

    // A bounded copy of a name as it arrives.
    struct Name {
        char text[kNameRoom];
        std::size_t size = 0;
        void Add(char c)
        {
            if (size < kNameRoom) text[size++] = c;
        }
        std::string_view View() const { return {text, size}; }
    };

    // The last bytes read: the end marks of the HTTP header, comments and CDATA.
    struct Recent {
        char bytes[4] = {};
        std::size_t size = 0;
        void Add(char c);
        bool EndsWith(std::string_view mark) const;
    };

    void Byte(char& c);
    // The steps taken for every tag are inlined into Feed.
    [[gnu::always_inline]] inline void Markup(const char& c);  // the byte after '<'
    void EndAttributeName();
    void EndElementName(std::string_view name);
    void OpenElement();
    [[gnu::always_inline]] inline void CloseElement();
    // Offset in the kept XML of a byte of the current call.
    std::size_t At(const char* c) const { return m_xmlBase + static_cast<std::size_t>(c - m_xmlFrom); }
    [[gnu::always_inline]] inline void PrefixStartTag(const char* nameEnd);
    [[gnu::always_inline]] inline void PrefixAttributeByte(char& c);
    bool Structural() const { return m_otherDepth == 0 && m_depth > 0; }

    State m_state = State::Text;
    Name m_name;                        // element name being read, when it is cut off
    const char* m_nameStart = nullptr;  // or where it starts in the bytes of the current call
    unsigned char m_openKind = 0;       // what the element opens, once its name is read
    Recent m_recent;
    char m_quote = 0;
    Name m_attributeName;
    char* m_attributeStart = nullptr;  // in the bytes of the current call only
    bool m_inAttributeName = false;
    bool m_readsAttributesByLocalName = false;
    char m_lastInTag = 0;
    // The open structural elements, by kind; the record's shape bounds their depth.
    static constexpr std::size_t kMaxStructuralDepth = 8;
    unsigned char m_structural[kMaxStructuralDepth] = {};
    std::size_t m_depth = 0;
    std::size_t m_otherDepth = 0;  // open elements below the last structural one

    // Where the start tag is, for the prefixes: only name="value" pairs,
    // spaces and a closing "/>" are read the way the check reads them.
    enum class TagStep : unsigned char { Name, BeforeAttribute, AttributeName, AfterName, AfterEquals, Slash };
    PrefixScopes m_prefixes;
    TagStep m_tagStep = TagStep::Name;
    std::size_t m_tagNameAt = 0;      // in the kept XML
    std::size_t m_attributeAt = 0;    // in the kept XML
    const char* m_xmlFrom = nullptr;  // where the XML of the current call starts
    std::size_t m_xmlBase = 0;        // and its offset in the kept XML
};

}  // namespace signseek::wire