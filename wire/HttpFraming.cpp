#include "wire/HttpFraming.h"

#include <stdsoap2.h>

#include <algorithm>
#include <cctype>

namespace signseek::wire {
namespace {

constexpr int kErrBodyTooLarge = 413;
constexpr int kErrHeaderTooLarge = 431;

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool ContainsText(std::string_view text, std::string_view part)
{
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i)
        if (SameText(text.substr(i, part.size()), part)) return true;
    return false;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Leading decimal digits, saturating just above the body limit.
std::size_t Decimal(std::string_view s)
{
    std::size_t n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        n = std::min<std::size_t>(n * 10 + static_cast<std::size_t>(c - '0'), kMaxHttpBody + 1);
    }
    return n;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

void HttpRequestFramer::Refuse(int code)
{
    m_state = State::Refused;
    m_refusal = code;
    m_continueDue = false;
}

bool HttpRequestFramer::TakeContinue()
{
    const bool due = m_continueDue;
    m_continueDue = false;
    return due;
}

bool HttpRequestFramer::NextLine(std::string_view& line)
{
    std::size_t end = m_request.find('\n', m_lineStart);
    if (end == std::string::npos) {
        if (m_request.size() - m_lineStart > kMaxHttpHeaderLine + 1) Refuse(SOAP_HDR);
        return false;
    }
    line = std::string_view(m_request).substr(m_lineStart, end - m_lineStart);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    m_lineStart = end + 1;
    if (line.size() > kMaxHttpHeaderLine) {
        Refuse(SOAP_HDR);
        return false;
    }
    return true;
}

void HttpRequestFramer::HeadLine(std::string_view line)
{
    if (!m_requestLineSeen) {
        if (line.empty()) return;  // stray line ends before the request line
        m_requestLineSeen = true;
        std::string_view method = line.substr(0, line.find(' '));
        m_bodyExpected = SameText(method, "POST") || SameText(method, "PUT") || SameText(method, "PATCH");
        return;
    }
    if (line.empty()) {
        EndOfHead();
        return;
    }
    if (++m_fields > kMaxHttpHeaderFields) {
        Refuse(kErrHeaderTooLarge);
        return;
    }
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return;
    std::string_view name = Trim(line.substr(0, colon));
    std::string_view value = Trim(line.substr(colon + 1));
    if (SameText(name, "Content-Length")) {
        if (m_lengthSeen) return;
        m_lengthSeen = true;
        m_length = Decimal(value);
        if (m_length > kMaxHttpBody) Refuse(kErrBodyTooLarge);
    } else if (SameText(name, "Transfer-Encoding")) {
        if (ContainsText(value, "chunked")) m_mode = BodyMode::Chunked;
    } else if (SameText(name, "Expect") && SameText(value, "100-continue")) {
        m_continueAsked = true;
        // The interim answer goes out from here; the parser must not send it again.
        m_request[static_cast<std::size_t>(name.data() - m_request.data())] = 'X';
    }
}

void HttpRequestFramer::EndOfHead()
{
    if (m_mode == BodyMode::Chunked) {
        m_state = State::Body;
    } else if (m_lengthSeen) {
        m_mode = BodyMode::Length;
        m_state = m_length == 0 ? State::Complete : State::Body;
    } else if (m_bodyExpected) {
        m_mode = BodyMode::UntilClose;
        m_state = State::Body;
    } else {
        m_state = State::Complete;
    }
    m_continueDue = m_continueAsked && m_state == State::Body;
}

std::size_t HttpRequestFramer::Feed(std::string_view bytes)
{
    std::size_t used = 0;
    while (used < bytes.size() && (m_state == State::Head || m_state == State::Body)) {
        if (m_request.size() > kMaxHttpRequestBytes) {
            Refuse(kErrBodyTooLarge);
            break;
        }
        if (m_state == State::Body && m_mode != BodyMode::Chunked) {
            used += FeedBody(bytes.substr(used));
            continue;
        }
        if (m_state == State::Body && m_chunkStep == ChunkStep::Data) {
            used += FeedChunked(bytes.substr(used));
            continue;
        }
        // Line by line: the head, and the chunk framing of a chunked body.
        std::size_t end = bytes.find('\n', used);
        std::size_t take = (end == std::string_view::npos ? bytes.size() : end + 1) - used;
        m_request.append(bytes.substr(used, take));
        used += take;
        if (m_state == State::Head || m_chunkStep == ChunkStep::Trailer) m_headBytes += take;
        if (m_headBytes > kMaxHttpHeaderBytes) {
            Refuse(kErrHeaderTooLarge);
            break;
        }
        std::string_view line;
        if (!NextLine(line)) continue;
        if (m_state == State::Head)
            HeadLine(line);
        else
            FeedChunked(line);
    }
    return used;
}

std::size_t HttpRequestFramer::FeedBody(std::string_view bytes)
{
    std::size_t take = bytes.size();
    if (m_mode == BodyMode::Length)
        take = std::min(take, m_length - m_body.size());
    else
        take = std::min(take, kMaxHttpBody + 1 - m_body.size());
    m_request.append(bytes.substr(0, take));
    m_body.append(bytes.substr(0, take));
    m_lineStart = m_request.size();
    if (m_mode == BodyMode::Length && m_body.size() == m_length) m_state = State::Complete;
    if (m_body.size() > kMaxHttpBody) Refuse(kErrBodyTooLarge);
    return take;
}

// In the Data step `bytes` is raw input; in the other steps it is one line.
std::size_t HttpRequestFramer::FeedChunked(std::string_view bytes)
{
    switch (m_chunkStep) {
    case ChunkStep::Data: {
        std::size_t take = std::min(bytes.size(), m_chunkLeft);
        m_request.append(bytes.substr(0, take));
        m_body.append(bytes.substr(0, take));
        m_lineStart = m_request.size();
        m_chunkLeft -= take;
        if (m_chunkLeft == 0) m_chunkStep = ChunkStep::DataEnd;
        return take;
    }
    case ChunkStep::Size: {
        std::size_t size = 0;
        std::size_t digits = 0;
        for (char c : Trim(bytes)) {
            int d = HexDigit(c);
            if (d < 0) break;
            size = size * 16 + static_cast<std::size_t>(d);
            ++digits;
            if (size > kMaxHttpBody) break;
        }
        if (digits == 0) {
            m_state = State::Complete;  // not chunk framing: the parser reports it
        } else if (size > kMaxHttpBody - m_body.size()) {
            Refuse(kErrBodyTooLarge);
        } else if (size == 0) {
            m_chunkStep = ChunkStep::Trailer;
        } else {
            m_chunkLeft = size;
            m_chunkStep = ChunkStep::Data;
        }
        return 0;
    }
    case ChunkStep::DataEnd: m_chunkStep = ChunkStep::Size; return 0;
    case ChunkStep::Trailer:
        if (bytes.empty())
            m_state = State::Complete;
        else if (++m_fields > kMaxHttpHeaderFields)
            Refuse(kErrHeaderTooLarge);
        return 0;
    }
    return 0;
}

void HttpRequestFramer::EndOfInput()
{
    if (m_state == State::Body && m_mode == BodyMode::UntilClose) m_state = State::Complete;
}

}  // namespace signseek::wire