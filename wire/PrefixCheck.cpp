#include "wire/PrefixCheck.h"

#include "wire/ByteScan.h"

#include <cstring>
#include <string>
#include <vector>

namespace signseek::wire {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A name and its prefix ("" without one).
struct Name {
    std::string_view text, prefix;
};

class Scanner {
public:
    // The stacks are the caller's, kept from one message to the next so that
    // an ordinary message costs no allocation.
    struct Stacks {
        std::vector<std::string_view> declared;
        std::vector<std::size_t> scopes;
        std::vector<std::string_view> prefixes;  // of the attributes of the start tag being read
    };

    Scanner(std::string_view xml, Stacks& stacks)
        : m_xml(xml), m_declared(stacks.declared), m_scopes(stacks.scopes), m_prefixes(stacks.prefixes)
    {
        m_declared.clear();
        m_scopes.clear();
    }

    bool Run()
    {
        while (m_pos < m_xml.size()) {
            const char* const end = m_xml.data() + m_xml.size();
            const char* lt = FindAny<'<'>(m_xml.data() + m_pos, end);
            if (lt == end) return true;
            m_pos = static_cast<std::size_t>(lt - m_xml.data()) + 1;
            const char next = m_pos < m_xml.size() ? m_xml[m_pos] : '\0';
            if (next == '?') {
                if (!SkipPast("?>")) return true;
            } else if (next == '!') {
                if (Starts("!--")) {
                    if (!SkipPast("-->")) return true;
                } else if (Starts("![CDATA[")) {
                    if (!SkipPast("]]>")) return true;
                } else if (!SkipDeclaration()) {
                    return true;
                }
            } else if (next == '/') {
                if (!EndTag()) return true;
            } else {
                int result = StartTag();
                if (result < 0) return false;
                if (result == 0) return true;
            }
        }
        return true;
    }

private:
    bool Starts(std::string_view s) const { return m_xml.substr(m_pos, s.size()) == s; }

    bool SkipPast(std::string_view end)
    {
        std::size_t at = m_xml.find(end, m_pos);
        if (at == std::string_view::npos) return false;
        m_pos = at + end.size();
        return true;
    }

    // <!DOCTYPE ...> with an optional internal subset in brackets.
    bool SkipDeclaration()
    {
        int depth = 0;
        for (; m_pos < m_xml.size(); ++m_pos) {
            char c = m_xml[m_pos];
            if (c == '[')
                ++depth;
            else if (c == ']')
                --depth;
            else if (c == '>' && depth <= 0) {
                ++m_pos;
                return true;
            }
        }
        return false;
    }

    bool EndTag()
    {
        const char* const end = m_xml.data() + m_xml.size();
        const char* gt = FindAny<'>'>(m_xml.data() + m_pos, end);
        if (gt == end) return false;
        m_pos = static_cast<std::size_t>(gt - m_xml.data()) + 1;
        if (!m_scopes.empty()) {
            if (m_declared.size() > m_scopes.back()) m_declared.resize(m_scopes.back());
            m_scopes.pop_back();
        }
        return true;
    }

    Name ReadName()
    {
        const char* const begin = m_xml.data();
        const char* const end = begin + m_xml.size();
        const char* const start = begin + m_pos;
        const char* at = FindAny<' ', '\t', '\n', '\r', '>', '/', '=', ':'>(start, end);
        std::string_view prefix;
        if (at < end && *at == ':') {
            prefix = std::string_view(start, static_cast<std::size_t>(at - start));
            at = FindAny<' ', '\t', '\n', '\r', '>', '/', '='>(at + 1, end);
        }
        m_pos = static_cast<std::size_t>(at - begin);
        return {std::string_view(start, static_cast<std::size_t>(at - start)), prefix};
    }

    void SkipSpace()
    {
        while (m_pos < m_xml.size() && IsSpace(m_xml[m_pos])) ++m_pos;
    }

    bool Declared(std::string_view prefix) const
    {
        if (prefix.empty() || prefix == "xml" || prefix == "xmlns") return true;
        for (auto it = m_declared.rbegin(); it != m_declared.rend(); ++it)
            if (*it == prefix) return true;
        return false;
    }

    // 1 scanned, 0 cannot follow, -1 undeclared prefix found.
    int StartTag()
    {
        const Name element = ReadName();
        m_prefixes.clear();
        const std::size_t scope = m_declared.size();
        for (;;) {
            SkipSpace();
            if (m_pos >= m_xml.size()) return 0;
            char c = m_xml[m_pos];
            if (c == '>' || c == '/') break;
            const Name name = ReadName();
            SkipSpace();
            if (m_pos >= m_xml.size() || m_xml[m_pos] != '=') return 0;
            ++m_pos;
            SkipSpace();
            if (m_pos >= m_xml.size() || (m_xml[m_pos] != '"' && m_xml[m_pos] != '\'')) return 0;
            char quote = m_xml[m_pos++];
            std::size_t end = m_xml.find(quote, m_pos);
            if (end == std::string_view::npos) return 0;
            m_pos = end + 1;
            if (name.text.substr(0, 6) == "xmlns:")
                m_declared.emplace_back(name.text.substr(6));
            else if (!name.prefix.empty())
                m_prefixes.push_back(name.prefix);
        }
        if (!Declared(element.prefix)) return -1;
        for (std::string_view prefix : m_prefixes)
            if (!Declared(prefix)) return -1;
        if (m_xml[m_pos] == '/') {
            m_declared.resize(scope);
            return SkipPast(">") ? 1 : 0;
        }
        ++m_pos;
        m_scopes.push_back(scope);
        return 1;
    }

    std::string_view m_xml;
    std::size_t m_pos = 0;
    std::vector<std::string_view>& m_declared;
    std::vector<std::size_t>& m_scopes;
    std::vector<std::string_view>& m_prefixes;
};

// Stacks beyond this many entries are not kept for the next message.
constexpr std::size_t kKeptDepth = 1024;

}  // namespace

bool AllPrefixesDeclared(std::string_view xml)
{
    thread_local Scanner::Stacks stacks;
    const bool declared = Scanner(xml, stacks).Run();
    if (stacks.declared.capacity() > kKeptDepth || stacks.scopes.capacity() > kKeptDepth ||
        stacks.prefixes.capacity() > kKeptDepth)
        stacks = {};
    return declared;
}

}  // namespace signseek::wire