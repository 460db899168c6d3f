#include "cli/VerboseReport.h"

#include "common/TextEncoding.h"
#include "discovery/RunResult.h"

namespace signseek {

namespace {

// Device text, made safe for a terminal and kept on one line.
std::string OneLine(const std::string& latin1)
{
    std::string text = WideToPrintableUtf8(WidenLatin1(latin1));
    for (char& c : text)
        if (c == '\n' || c == '\t') c = ' ';
    return text;
}

}  // namespace

void VerboseReport::ProbeSent(const ProbeEvent& probe)
{
    std::string line = "[" + probe.run + "] probe Types \"" + probe.types + "\" Scopes \"" + probe.scopes + "\"";
    if (!probe.to.empty()) line += " to " + probe.to;
    line += probe.replyTo.empty() ? ", answers to its source port" : ", ReplyTo " + probe.replyTo;
    line += probe.failure.empty() ? ": sent" : ": not sent, " + probe.failure;
    Line(line);
}

void VerboseReport::AnswerReceived(const AnswerEvent& answer)
{
    std::string line = "[" + answer.run + "] " + answer.message + " from " +
                       (answer.from.empty() ? std::string("an unknown sender") : OneLine(answer.from));
    if (!answer.endpoint.empty()) line += ", endpoint " + OneLine(answer.endpoint);
    Line(line + ": " + answer.outcome);
}

void VerboseReport::ConnectionsShed(const std::string& run, std::size_t count)
{
    Line("[" + run + "] " + ShedConnectionsText(count));
}

void VerboseReport::Line(const std::string& text)
{
    std::lock_guard lock(m_mutex);
    m_out << "signseek-find: " << text << '\n' << std::flush;
}

}  // namespace signseek
