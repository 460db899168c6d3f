// BrokerLink on libmosquitto, without its own thread: the owner's thread runs
// the client loop, so every call into the library comes from one thread.

#include "cli/mqtt/BrokerLink.h"

#include <mosquitto.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace signseek {

namespace {

std::string LibraryError(int rc)
{
    if (rc == MOSQ_ERR_ERRNO) return std::strerror(errno);
    if (rc == MOSQ_ERR_EAI) return "cannot resolve the broker's host name";
    if (rc == MOSQ_ERR_TLS)
        return "the TLS handshake failed (is the broker's certificate signed by an authority of --mqtt-cafile, "
               "and for this host?)";
    return mosquitto_strerror(rc);
}

class MosquittoLink final : public BrokerLink {
public:
    explicit MosquittoLink(const BrokerLinkConfig& config) : m_config(config)
    {
        static std::once_flag initialised;
        std::call_once(initialised, [] { mosquitto_lib_init(); });
        m_client = mosquitto_new(nullptr, true, this);
    }
    ~MosquittoLink() override
    {
        if (m_client) mosquitto_destroy(m_client);
    }

    std::string Configure()
    {
        if (!m_client) return "cannot create an MQTT client";
        mosquitto_connect_callback_set(m_client, [](mosquitto*, void* self, int rc) {
            auto* link = static_cast<MosquittoLink*>(self);
            if (link->m_handlers.connected) link->m_handlers.connected(rc, rc ? mosquitto_connack_string(rc) : "");
        });
        mosquitto_publish_callback_set(m_client, [](mosquitto*, void* self, int mid) {
            auto* link = static_cast<MosquittoLink*>(self);
            if (link->m_handlers.delivered) link->m_handlers.delivered(mid);
        });
        mosquitto_subscribe_callback_set(m_client, [](mosquitto*, void* self, int mid, int, const int*) {
            auto* link = static_cast<MosquittoLink*>(self);
            if (link->m_handlers.subscribed) link->m_handlers.subscribed(mid);
        });
        mosquitto_message_callback_set(m_client, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* link = static_cast<MosquittoLink*>(self);
            if (!link->m_handlers.message) return;
            BrokerMessage message;
            message.topic = m->topic ? m->topic : "";
            if (m->payload && m->payloadlen > 0)
                message.payload.assign(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen));
            message.retained = m->retain;
            link->m_handlers.message(message);
        });
        mosquitto_int_option(m_client, MOSQ_OPT_TCP_NODELAY, 1);
        mosquitto_max_inflight_messages_set(m_client, 100);
        int rc = MOSQ_ERR_SUCCESS;
        if (!m_config.user.empty())
            rc = mosquitto_username_pw_set(m_client, m_config.user.c_str(),
                                           m_config.password.empty() ? nullptr : m_config.password.c_str());
        if (rc != MOSQ_ERR_SUCCESS) return "the broker user: " + LibraryError(rc);
        if (!m_config.willTopic.empty()) {
            rc = mosquitto_will_set(m_client, m_config.willTopic.c_str(), static_cast<int>(m_config.willPayload.size()),
                                    m_config.willPayload.data(), 1, true);
            if (rc != MOSQ_ERR_SUCCESS) return "the status topic: " + LibraryError(rc);
        }
        if (m_config.tls) {
            const TlsFiles& files = m_config.tlsFiles;
            auto orNull = [](const std::string& text) { return text.empty() ? nullptr : text.c_str(); };
            rc = mosquitto_tls_set(m_client, orNull(files.caFile), files.caFile.empty() ? "/etc/ssl/certs" : nullptr,
                                   orNull(files.certFile), orNull(files.keyFile), nullptr);
            if (rc != MOSQ_ERR_SUCCESS)
                return "cannot use the TLS files (--mqtt-cafile, --mqtt-cert, --mqtt-key): " + LibraryError(rc);
        }
        return {};
    }

    void SetHandlers(Handlers handlers) override { m_handlers = std::move(handlers); }

    std::string Connect() override
    {
        const int rc =
            mosquitto_connect_async(m_client, m_config.host.c_str(), m_config.port, m_config.keepAliveSeconds);
        return rc == MOSQ_ERR_SUCCESS ? "" : LibraryError(rc);
    }

    std::string Serve(int timeoutMillis) override
    {
        const int rc = mosquitto_loop(m_client, timeoutMillis, 1);
        if (rc == MOSQ_ERR_SUCCESS) return {};
        if (rc == MOSQ_ERR_CONN_REFUSED) return "the broker refused the connection";
        return LibraryError(rc);
    }

    std::optional<int> Publish(const std::string& topic, const std::string& payload, int qos, bool retain) override
    {
        int mid = 0;
        const int rc = mosquitto_publish(m_client, &mid, topic.c_str(), static_cast<int>(payload.size()),
                                         payload.data(), qos, retain);
        if (rc != MOSQ_ERR_SUCCESS) return std::nullopt;
        return mid;
    }

    std::optional<int> Subscribe(const std::string& pattern, int qos) override
    {
        int mid = 0;
        if (mosquitto_subscribe(m_client, &mid, pattern.c_str(), qos) != MOSQ_ERR_SUCCESS) return std::nullopt;
        return mid;
    }

    void Unsubscribe(const std::string& pattern) override { mosquitto_unsubscribe(m_client, nullptr, pattern.c_str()); }

    void Disconnect() override { mosquitto_disconnect(m_client); }

private:
    BrokerLinkConfig m_config;
    mosquitto* m_client = nullptr;
    Handlers m_handlers;
};

}  // namespace

CreatedLink CreateMosquittoLink(const BrokerLinkConfig& config)
{
    auto link = std::make_unique<MosquittoLink>(config);
    std::string error = link->Configure();
    if (!error.empty()) return {nullptr, error};
    return {std::move(link), ""};
}

}  // namespace signseek
