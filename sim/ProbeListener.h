#pragma once
// The simulated devices' ear: a UDP context on the discovery group that reads
// Probe messages and hands a copy of each to a callback. Answering is left to
// others so that the reader is never held up.

#include "wire/DatagramReceiver.h"
#include "wire/MatchServiceBase.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace signseek::sim {

struct ReceivedProbe {
    std::string sourceHost;  // dotted IPv4 of the sender
    int sourcePort = 0;
    std::string messageId, replyTo;
    std::string types, scopes, matchBy;
    bool hasScopes = false;
};

// The text content of a literal element kept by the decoder, when the element
// is `name` without prefix; false otherwise. Entities and character
// references are decoded.
bool UnprefixedElementText(std::string_view literal, std::string_view name, std::string& text);

// Reads one message as a probe. Anything that is not a Probe is skipped
// without a fault, as a device ignores discovery traffic not meant for it.
class ProbeService : public wire::MatchServiceBase {
public:
    ProbeService() : MatchServiceBase(wire::TransportMode::Udp) {}
    int dispatch() override;

    // The probe of the last message served, if it was one.
    std::optional<ReceivedProbe> probe;
};

class ProbeListener {
public:
    using Handler = std::function<void(const ReceivedProbe&)>;

    ProbeListener() = default;
    ~ProbeListener();
    ProbeListener(const ProbeListener&) = delete;
    ProbeListener& operator=(const ProbeListener&) = delete;

    // Group: binds the discovery group at `port` and joins it on the
    // interface. Unicast: binds the interface's own address at `port`, where
    // a directed search sends its probes (from another network, too). Then
    // starts reading. Returns an empty text, or why it could not start.
    enum class Socket { Group, Unicast };
    std::string Start(const std::string& interfaceAddress, int port, Handler handler, Socket socket = Socket::Group);
    void Stop();

private:
    ProbeService m_service;
    // Many devices announcing at once must not crowd a probe out of the socket.
    std::unique_ptr<wire::DatagramReceiver> m_datagrams;
    Handler m_handler;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace signseek::sim