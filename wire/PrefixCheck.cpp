#include "wire/PrefixCheck.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace signseek::wire {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The bytes that end a name: white space, '>', '/' and '='.
constexpr auto kNameEnds = [] {
    std::array<bool, 256> ends{};
    for (unsigned char c : {' ', '\t', '\n', '\r', '>', '/', '='}) ends[c] = true;
    return ends;
}();

bool EndsName(char c) { return kNameEnds[static_cast<unsigned char>(c)]; }

std::string_view PrefixOf(std::string_view name)
{
    const void* colon = name.empty() ? nullptr : std::memchr(name.data(), ':', name.size());
    if (!colon) return {};
    return name.substr(0, static_cast<std::size_t>(static_cast<const char*>(colon) - name.data()));
}

class Scanner {
public:
    explicit Scanner(std::string_view xml) : m_xml(xml)
    {
        // Room for an ordinary message, so that it costs no growth on the way.
        m_declared.reserve(16);
        m_scopes.reserve(16);
        m_attributes.reserve(16);
    }

    bool Run()
    {
        while (m_pos < m_xml.size()) {
            const void* lt = std::memchr(m_xml.data() + m_pos, '<', m_xml.size() - m_pos);
            if (!lt) return true;
            m_pos = static_cast<std::size_t>(static_cast<const char*>(lt) - m_xml.data()) + 1;
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
        if (!SkipPast(">")) return false;
        if (!m_scopes.empty()) {
            if (m_declared.size() > m_scopes.back()) m_declared.resize(m_scopes.back());
            m_scopes.pop_back();
        }
        return true;
    }

    std::string_view Name()
    {
        std::size_t start = m_pos;
        while (m_pos < m_xml.size() && !EndsName(m_xml[m_pos])) ++m_pos;
        return m_xml.substr(start, m_pos - start);
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
        std::string_view element = Name();
        m_attributes.clear();
        const std::size_t scope = m_declared.size();
        for (;;) {
            SkipSpace();
            if (m_pos >= m_xml.size()) return 0;
            char c = m_xml[m_pos];
            if (c == '>' || c == '/') break;
            std::string_view name = Name();
            SkipSpace();
            if (m_pos >= m_xml.size() || m_xml[m_pos] != '=') return 0;
            ++m_pos;
            SkipSpace();
            if (m_pos >= m_xml.size() || (m_xml[m_pos] != '"' && m_xml[m_pos] != '\'')) return 0;
            char quote = m_xml[m_pos++];
            std::size_t end = m_xml.find(quote, m_pos);
            if (end == std::string_view::npos) return 0;
            m_pos = end + 1;
            if (name.substr(0, 6) == "xmlns:")
                m_declared.emplace_back(name.substr(6));
            else if (name != "xmlns")
                m_attributes.push_back(name);
        }
        if (!Declared(PrefixOf(element))) return -1;
        for (std::string_view a : m_attributes)
            if (!Declared(PrefixOf(a))) return -1;
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
    std::vector<std::string_view> m_declared;
    std::vector<std::size_t> m_scopes;
    std::vector<std::string_view> m_attributes;  // of the start tag being read
};

}  // namespace

bool AllPrefixesDeclared(std::string_view xml) { return Scanner(xml).Run(); }

}  // namespace signseek::wire