#pragma once
// Collects one HTTP request from a connection before anything parses it:
// finds where the request ends (Content-Length, chunked, or the peer's
// close) and refuses it as soon as it breaks a limit, so no peer can make
// the listener hold more than one small request per connection.

#include <cstddef>
#include <string>
#include <string_view>

namespace signseek::wire {

inline constexpr std::size_t kMaxHttpBody = 64 * 1024;   // real answers are about 1.5 KB
inline constexpr std::size_t kMaxHttpHeaderLine = 8191;  // the runtime's line buffer, less its terminator
inline constexpr std::size_t kMaxHttpHeaderFields = 64;
inline constexpr std::size_t kMaxHttpHeaderBytes = 16 * 1024;
// The whole request with its chunk framing.
inline constexpr std::size_t kMaxHttpRequestBytes = kMaxHttpHeaderBytes + 2 * kMaxHttpBody;

class HttpRequestFramer {
public:
    enum class State { Head, Body, Complete, Refused };

    // Takes bytes as they arrive and returns how many it used; bytes after a
    // complete or refused request are left over.
    std::size_t Feed(std::string_view bytes);
    // The peer closed its side: a body read up to the close is complete,
    // anything else stays unfinished.
    void EndOfInput();

    State GetState() const { return m_state; }
    bool Complete() const { return m_state == State::Complete; }
    bool Refused() const { return m_state == State::Refused; }
    // The error code of a refusal: 22 (header line), 413 (body) or 431 (header).
    int RefusalCode() const { return m_refusal; }

    // True once, when the header asked for "100-continue" and its body is due.
    bool TakeContinue();

    // The request as received. An Expect field is renamed here, since the
    // interim answer has been sent already.
    const std::string& Request() const { return m_request; }
    // The body without its chunk framing.
    const std::string& Body() const { return m_body; }

private:
    enum class BodyMode { None, Length, Chunked, UntilClose };
    enum class ChunkStep { Size, Data, DataEnd, Trailer };

    void Refuse(int code);
    // Splits off one line (without its line end) from m_request at m_lineStart; false when incomplete.
    bool NextLine(std::string_view& line);
    void HeadLine(std::string_view line);
    void EndOfHead();
    std::size_t FeedBody(std::string_view bytes);
    std::size_t FeedChunked(std::string_view bytes);

    State m_state = State::Head;
    int m_refusal = 0;
    std::string m_request;
    std::string m_body;
    std::size_t m_lineStart = 0;  // where the next unread line of the head or chunk framing starts
    std::size_t m_headBytes = 0;
    std::size_t m_fields = 0;
    bool m_requestLineSeen = false;
    bool m_bodyExpected = false;  // a method that carries a body when no length is given
    bool m_continueAsked = false;
    bool m_continueDue = false;
    BodyMode m_mode = BodyMode::None;
    std::size_t m_length = 0;
    bool m_lengthSeen = false;
    ChunkStep m_chunkStep = ChunkStep::Size;
    std::size_t m_chunkLeft = 0;
};

}  // namespace signseek::wire