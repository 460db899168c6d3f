#pragma once
// One client connection to an MQTT broker, driven by its owner's thread: the
// seam between the agent's logic and the MQTT library.

#include "cli/mqtt/BrokerAddress.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace signseek {

struct BrokerMessage {
    std::string topic;
    std::string payload;
    bool retained = false;
};

class BrokerLink {
public:
    // Called from Serve, on the owner's thread.
    struct Handlers {
        // refusal 0: the broker took the connection; else why not, in reason.
        std::function<void(int refusal, const std::string& reason)> connected;
        std::function<void(int messageId)> delivered;  // a published message left (QoS 0) or was acknowledged
        std::function<void(int messageId)> subscribed;
        std::function<void(const BrokerMessage&)> message;
    };

    virtual ~BrokerLink() = default;

    virtual void SetHandlers(Handlers handlers) = 0;
    // Starts connecting; empty, or why it could not start.
    virtual std::string Connect() = 0;
    // Sends and receives for at most timeoutMillis; empty while the
    // connection lives, else why it ended.
    virtual std::string Serve(int timeoutMillis) = 0;
    // Queues a message; its id, or nothing when the connection cannot take it.
    // Never calls a handler (its owner may hold a lock around it).
    virtual std::optional<int> Publish(const std::string& topic, const std::string& payload, int qos, bool retain) = 0;
    virtual std::optional<int> Subscribe(const std::string& pattern, int qos) = 0;
    virtual void Unsubscribe(const std::string& pattern) = 0;
    virtual void Disconnect() = 0;
};

struct BrokerLinkConfig {
    std::string host;
    int port = 1883;
    bool tls = false;
    TlsFiles tlsFiles;
    std::string user;
    std::string password;
    std::string willTopic;  // empty: no will
    std::string willPayload;
    int keepAliveSeconds = 30;
};

// The libmosquitto connection; an error text when the library refuses the
// configuration (for instance a TLS file it cannot read).
struct CreatedLink {
    std::unique_ptr<BrokerLink> link;
    std::string error;
};
CreatedLink CreateMosquittoLink(const BrokerLinkConfig& config);

}  // namespace signseek
