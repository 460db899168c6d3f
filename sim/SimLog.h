#pragma once
// What the simulator saw and did: one line per probe, per answer and per
// announcement, written as it happens and kept for tests to look at.

#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace signseek::sim {

struct ProbeSeen {
    std::string source;  // "address:port" of the datagram
    std::string messageId, types, scopes, matchBy, replyTo;
    std::size_t matched = 0;  // devices that will answer it
};

struct AnswerSent {
    std::string device;       // endpoint address
    std::string kind;         // "ProbeMatches", "Hello" or "Bye"
    std::string destination;  // ReplyTo address or "soap.udp://host:port"
    std::string relatesTo;    // the probe's MessageID
    int result = 0;           // 0 sent, else the wire layer's code
    std::string status;       // HTTP status line of the listener's answer, if any
};

class SimLog {
public:
    // Lines go to `out` when given; the records are kept either way.
    explicit SimLog(std::ostream* out = nullptr) : m_out(out) {}

    void Probe(const ProbeSeen& probe);
    void Answer(const AnswerSent& answer);
    // A Hello or Bye multicast to the group as a device came or went.
    void Announcement(const AnswerSent& announcement);
    void Note(const std::string& line);

    std::vector<ProbeSeen> Probes() const;
    std::vector<AnswerSent> Answers() const;
    std::size_t AnswerCount() const;
    std::vector<AnswerSent> Announcements() const;

    static std::string Format(const ProbeSeen& probe);
    static std::string Format(const AnswerSent& answer, const char* what = "answer");

private:
    void Write(const std::string& line);

    mutable std::mutex m_mutex;
    std::ostream* m_out;
    std::vector<ProbeSeen> m_probes;
    std::vector<AnswerSent> m_answers;
    std::vector<AnswerSent> m_announcements;
};

}  // namespace signseek::sim