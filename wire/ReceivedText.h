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
// once the message has been read.

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
    void Markup(char c);  // the byte after '<'
    void EndAttributeName();
    void EndElementName(std::string_view name);
    void OpenElement();
    void CloseElement();
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
};

}  // namespace signseek::wire