#pragma once
// The prefixes declared around each element of a message, followed while the
// text filter reads it, so that the prefix check need not scan the message a
// second time. Names are offsets into the kept copy of the XML, so a prefix
// of any length is compared whole. The steps run for every tag and are
// defined here, to be inlined into the filter's loop.

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace signseek::wire {

class PrefixScopes {
public:
    enum class Finding {
        AllDeclared,  // so far
        Undeclared,
        Unknown,  // text read in a way the check might not follow: ask it
    };

    void Reset();
    void Text(const std::string* xml) { m_xml = xml; }
    Finding Result() const { return m_finding; }
    bool Watching() const { return m_finding == Finding::AllDeclared; }
    void GiveUp()
    {
        if (m_finding == Finding::AllDeclared) m_finding = Finding::Unknown;
    }

    // The name of a start tag, [at, at + size) in the kept XML.
    [[gnu::always_inline]] void StartTag(std::size_t at, std::size_t size)
    {
        const Marks marks = MarksOf(at, size);
        // The check ends a tag's name at '=' as well.
        if (marks.equals) {
            m_finding = Finding::Unknown;
            return;
        }
        m_used.clear();
        m_tagScope = m_declared.size();
        m_tagPrefix = {at, marks.colon < size ? marks.colon : 0};
    }

    void Attribute(std::size_t at, std::size_t size)
    {
        if (size >= 6 && std::memcmp(m_xml->data() + at, "xmlns:", 6) == 0) {
            m_declared.push_back({at + 6, size - 6});
            return;
        }
        const std::size_t colon = MarksOf(at, size).colon;
        if (colon < size && colon > 0) m_used.push_back({at, colon});
    }

    // The start tag is read to its '>' (or its "/" when `empty`).
    [[gnu::always_inline]] void EndOfStartTag(bool empty)
    {
        if (m_tagPrefix.size > 0 && !Declared(m_tagPrefix)) {
            m_finding = Finding::Undeclared;
            return;
        }
        for (const Span& prefix : m_used) {
            if (!Declared(prefix)) {
                m_finding = Finding::Undeclared;
                return;
            }
        }
        if (empty)
            m_declared.resize(m_tagScope);
        else
            m_scopes.push_back(m_tagScope);
    }

    [[gnu::always_inline]] void EndTag()
    {
        if (m_scopes.empty()) return;
        if (m_declared.size() > m_scopes.back()) m_declared.resize(m_scopes.back());
        m_scopes.pop_back();
    }

    // The '>' ending a "<?" at `at`.
    void EndOfInstruction(std::size_t at);

private:
    struct Span {
        std::size_t at, size;
    };

    // Where the first ':' of a name is (`size` without one) and whether it
    // holds an '='. A name of up to 32 bytes takes one or two loads where the kept
    // XML has the bytes, which costs less than a call.
    struct Marks {
        std::size_t colon;
        bool equals;
    };
    [[gnu::always_inline]] Marks MarksOf(std::size_t at, std::size_t size) const
    {
        const char* name = m_xml->data() + at;
#if defined(__SSE2__)
        if (size <= 16 && m_xml->size() - at >= 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(name));
            const unsigned within = (1u << size) - 1;
            const unsigned colons =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(':')))) & within;
            const unsigned equalses =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('=')))) & within;
            return {colons ? static_cast<std::size_t>(__builtin_ctz(colons)) : size, equalses != 0};
        }
        if (size <= 32 && m_xml->size() - at >= 32) {
            const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(name));
            const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(name + 16));
            const __m128i colon = _mm_set1_epi8(':'), equals = _mm_set1_epi8('=');
            const unsigned within = size == 32 ? ~0u : (1u << size) - 1;
            const unsigned colons = (static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, colon))) |
                                     static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, colon))) << 16) &
                                    within;
            const unsigned equalses = (static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, equals))) |
                                       static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, equals))) << 16) &
                                      within;
            return {colons ? static_cast<std::size_t>(__builtin_ctz(colons)) : size, equalses != 0};
        }
#endif
        Marks marks{size, false};
        for (std::size_t i = 0; i < size; ++i) {
            if (name[i] == ':' && marks.colon == size) marks.colon = i;
            if (name[i] == '=') marks.equals = true;
        }
        return marks;
    }

    // Any declaration in scope will do; the prefix found last is tried first,
    // as neighbouring elements mostly share one.
    [[gnu::always_inline]] bool Declared(Span prefix)
    {
        const char* text = m_xml->data() + prefix.at;
        if (m_lastFound < m_declared.size()) {
            const Span& last = m_declared[m_lastFound];
            if (last.size == prefix.size && SameBytes(m_xml->data() + last.at, text, prefix.size)) return true;
        }
        for (std::size_t i = m_declared.size(); i > 0; --i) {
            const Span& declared = m_declared[i - 1];
            if (declared.size == prefix.size && SameBytes(m_xml->data() + declared.at, text, prefix.size)) {
                m_lastFound = i - 1;
                return true;
            }
        }
        const std::string_view name(text, prefix.size);
        return name == "xml" || name == "xmlns";
    }
    static bool SameBytes(const char* a, const char* b, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i)
            if (a[i] != b[i]) return false;
        return true;
    }

    const std::string* m_xml = nullptr;
    Finding m_finding = Finding::AllDeclared;
    std::vector<Span> m_declared;
    std::vector<std::size_t> m_scopes;
    Span m_tagPrefix{0, 0};    // of the start tag being read
    std::vector<Span> m_used;  // and of its attributes
    std::size_t m_tagScope = 0;
    std::size_t m_lastFound = 0;  // in m_declared
};

}  // namespace signseek::wire
