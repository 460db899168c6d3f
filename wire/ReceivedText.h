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
#include <vector>

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

    void Byte(char& c);
    void Remember(char c);
    void EndAttributeName();
    void OpenElement();
    void CloseElement();
    bool Structural() const { return m_otherDepth == 0 && !m_structural.empty(); }

    State m_state = State::Text;
    std::string m_name;    // element name being read
    std::string m_recent;  // last few bytes: header end, comment and CDATA marks
    char m_quote = 0;
    std::string m_attributeName;
    char* m_attributeStart = nullptr;  // in the bytes of the current call only
    bool m_inAttributeName = false;
    bool m_readsAttributesByLocalName = false;
    char m_lastInTag = 0;
    std::vector<std::string> m_structural;  // local names of the open structural elements
    std::size_t m_otherDepth = 0;           // open elements below the last structural one
};

}  // namespace signseek::wire