#pragma once
// The writer behind every message the system sends: single-letter prefixes,
// the system's own escaping, no white space between elements, and Latin-1
// text turned into UTF-8.

#include <stdsoap2.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace signseek::wire {

// Where the bytes of a message go. The same writing code runs once into a
// counter and once into the real output.
class Output {
public:
    virtual ~Output() = default;
    virtual int Put(std::string_view bytes) = 0;  // 0 or an error code
};

class CountingOutput final : public Output {
public:
    int Put(std::string_view bytes) override
    {
        count += bytes.size();
        return 0;
    }
    std::size_t count = 0;
};

class StringOutput final : public Output {
public:
    int Put(std::string_view bytes) override
    {
        text.append(bytes);
        return 0;
    }
    std::string text;
};

// Buffered output of a context (its 65536-byte buffer and send callback).
class ContextOutput final : public Output {
public:
    explicit ContextOutput(soap* ctx) : m_ctx(ctx) {}
    int Put(std::string_view bytes) override;

private:
    soap* m_ctx;
};

// Escaping of the system's 8-bit text.
std::string EscapeContent(std::string_view latin1);
std::string EscapeAttribute(std::string_view latin1);

class XmlWriter {
public:
    XmlWriter(soap* ctx, Output& out);

    // Queues an attribute for the next start tag. The order in which queued
    // attributes appear is kept per context for the context's lifetime.
    void QueueAttribute(std::string_view name, std::string_view value);

    void StartElement(std::string_view name, const char* announcedType = nullptr, bool mustUnderstand = false);
    void EndElement(std::string_view name);
    // An element with text content (escaped); the text may be empty.
    void TextElement(std::string_view name, std::string_view text, const char* announcedType = nullptr,
                     bool mustUnderstand = false);
    void Text(std::string_view latin1);
    void Literal(std::string_view xml);  // copied verbatim
    void Raw(std::string_view bytes) { Emit(bytes); }

    int Error() const { return m_error; }
    int Version() const { return m_version; }

private:
    void Emit(std::string_view bytes);

    soap* m_ctx;
    Output& m_out;
    int m_error = 0;
    int m_version = 2;
    std::vector<std::pair<std::string, std::string>> m_pending;
};

}  // namespace signseek::wire