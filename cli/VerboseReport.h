#pragma once
// --verbose: one line on a stream for each probe a search sends and each
// answer it receives, so a user can find out why a device is missing.

#include "discovery/RunObserver.h"

#include <mutex>
#include <ostream>

namespace signseek {

class VerboseReport : public RunObserver {
public:
    explicit VerboseReport(std::ostream& out) : m_out(out) {}

    void ProbeSent(const ProbeEvent& probe) override;
    void AnswerReceived(const AnswerEvent& answer) override;
    void ConnectionsShed(const std::string& run, std::size_t count) override;

private:
    void Line(const std::string& text);

    std::mutex m_mutex;  // both runs report from their own threads
    std::ostream& m_out;
};

}  // namespace signseek
