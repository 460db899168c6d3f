#pragma once
// Where the watch publishes and --from reads: an MQTT broker and a topic path,
// given as mqtt[s]://[user[:password]@]host[:port]/PATH.

#include <optional>
#include <string>

namespace signseek {

struct BrokerAddress {
    bool tls = false;  // mqtts://
    std::string user;
    std::string password;  // as given in the address; better from a file or the environment
    std::string host;
    int port = 0;      // 1883, or 8883 with TLS, when the address names none
    std::string path;  // topic levels below the broker: PREFIX or PREFIX/SITE

    // host:port, for messages (never the password).
    std::string Where() const;
};

struct TlsFiles {
    std::string caFile;    // empty: the system's certificate authorities
    std::string certFile;  // client certificate, with keyFile
    std::string keyFile;
};

struct ParsedBrokerAddress {
    std::optional<BrokerAddress> address;  // empty on error
    std::string error;                     // one line
};

// The path must name at least one topic level; no level may be empty, hold
// a wildcard or a control character, or start with '$'.
ParsedBrokerAddress ParseBrokerAddress(const std::string& text);

// A level of a topic as the agent writes it: not empty, at most 128 bytes,
// no '/', '+', '#' or control character, not starting with '$'.
bool IsSafeTopicLevel(const std::string& level);

}  // namespace signseek
