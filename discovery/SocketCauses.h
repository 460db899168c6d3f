#pragma once
// What an errno met by a run's socket step means, in words for the user.
// Each errno has its own cause; EINVAL names the value the system refused.

#include <string>

namespace signseek {

// The values a probe was sent with, for the causes that depend on them.
struct ProbeValues {
    int ttl = -1;   // -1: not known
    int port = -1;  // the discovery port, -1: not known
};

// The cause of a failed probe send.
std::string ProbeCause(int socketError, const ProbeValues& values);

// The cause of a listener that could not start on port.
std::string ListenCause(int socketError, int port);

}  // namespace signseek
