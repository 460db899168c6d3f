#include "sim/SimLog.h"

namespace signseek::sim {

std::string SimLog::Format(const ProbeSeen& p)
{
    std::string line =
        "probe from " + p.source + " id=" + p.messageId + " types=\"" + p.types + "\" scopes=\"" + p.scopes + "\"";
    if (!p.matchBy.empty()) line += " matchBy=" + p.matchBy;
    line += " replyTo=" + (p.replyTo.empty() ? std::string("-") : p.replyTo);
    return line + " matched=" + std::to_string(p.matched);
}

std::string SimLog::Format(const AnswerSent& a, const char* what)
{
    std::string line = what + (" " + a.kind) + " " + a.device + " -> " + a.destination;
    line += a.result == 0 ? " sent" : " failed (" + std::to_string(a.result) + ")";
    if (!a.status.empty()) line += " status=\"" + a.status + "\"";
    return line;
}

void SimLog::Write(const std::string& line)
{
    if (!m_out) return;
    *m_out << line << '\n';
    m_out->flush();
}

void SimLog::Probe(const ProbeSeen& probe)
{
    std::lock_guard lock(m_mutex);
    m_probes.push_back(probe);
    Write(Format(probe));
}

void SimLog::Answer(const AnswerSent& answer)
{
    std::lock_guard lock(m_mutex);
    m_answers.push_back(answer);
    Write(Format(answer));
}

void SimLog::Announcement(const AnswerSent& announcement)
{
    std::lock_guard lock(m_mutex);
    m_announcements.push_back(announcement);
    Write(Format(announcement, "announce"));
}

void SimLog::Note(const std::string& line)
{
    std::lock_guard lock(m_mutex);
    Write(line);
}

std::vector<ProbeSeen> SimLog::Probes() const
{
    std::lock_guard lock(m_mutex);
    return m_probes;
}

std::vector<AnswerSent> SimLog::Answers() const
{
    std::lock_guard lock(m_mutex);
    return m_answers;
}

std::size_t SimLog::AnswerCount() const
{
    std::lock_guard lock(m_mutex);
    return m_answers.size();
}

std::vector<AnswerSent> SimLog::Announcements() const
{
    std::lock_guard lock(m_mutex);
    return m_announcements;
}

}  // namespace signseek::sim