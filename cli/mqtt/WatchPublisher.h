#pragma once
// The watch as an MQTT agent: each device's latest record retained under
// ROOT/devices/ID, each event on ROOT/events, the agent's own state on
// ROOT/status. A thread of its own talks to the broker, so a broker that is
// slow, gone or refusing never holds up the watch: Tell only notes the event.
// The latest state of every device is kept (bounded) and published again
// whenever the broker comes back, so only intermediate changes can be lost.

#include "cli/mqtt/BrokerLink.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace signseek {

struct PublisherSettings {
    std::string root;                // PREFIX/SITE
    std::string brokerName;          // host:port, for the notices
    std::size_t maxDevices = 20000;  // states kept, present and lost not yet published
    std::size_t maxEvents = 1000;    // event lines waiting while the broker is away
    std::size_t window = 100;        // messages handed to the broker and not yet delivered
    int firstRetryMillis = 1000;     // back-off after a failure, doubling...
    int lastRetryMillis = 10000;     // ...up to this
    int connectMillis = 10000;       // a connection not taken by then is given up
    int stopMillis = 2000;           // at the stop, time to hand over what is waiting
    // Devices an earlier run left retained that the watch has not listed this
    // long after the start are gone: they are cleared. 0: never.
    std::int64_t staleAfterMillis = 0;
};

class WatchPublisher {
public:
    using Notice = std::function<void(const std::string& line)>;

    // notice gets one line (without the program name) when the broker is
    // reached, lost, or refuses; from the publisher's thread.
    WatchPublisher(std::unique_ptr<BrokerLink> link, PublisherSettings settings, Notice notice);
    ~WatchPublisher();

    void Start();

    // From the watch: a device's record as JSON, or empty when it is lost,
    // and the event's line. Quick, and never waits for the broker.
    void Tell(const std::string& id, std::string deviceJson, std::string eventLine);

    // Hands over what waits (for at most stopMillis), says "offline" and
    // disconnects.
    void Stop();

    struct Counters {
        std::uint64_t published = 0;  // messages the broker took
        std::uint64_t droppedEvents = 0;
        std::uint64_t droppedDevices = 0;
    };
    Counters Count() const;
    // Nothing waits to be published or delivered.
    bool Idle() const;

private:
    enum class State { Down, Connecting, Up };

    struct Kept {
        std::string payload;  // empty: lost, to be cleared
        std::uint64_t version = 0;
        bool queued = false;
    };
    struct InFlight {
        std::string id;  // empty for an event or the status
        std::uint64_t version = 0;
    };

    void Run();
    void Connected(int refusal, const std::string& reason);
    void Delivered(int messageId);
    void Failed(const std::string& why);
    void SendWaiting();
    void Retained(const BrokerMessage& message);
    void Sweep();
    bool PublishStatus(const char* status);
    std::string DeviceTopic(const std::string& id) const;

    std::unique_ptr<BrokerLink> m_link;
    const PublisherSettings m_settings;
    const Notice m_notice;

    // Shared with Tell.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::unordered_map<std::string, Kept> m_devices;
    std::deque<std::string> m_queued;  // ids of m_devices to publish, oldest first
    std::deque<std::string> m_events;
    std::unordered_map<int, InFlight> m_inFlight;
    Counters m_counters;
    bool m_stop = false;
    bool m_deviceLimitSaid = false;
    std::unordered_set<std::string> m_earlier;  // ids retained on the broker at the start

    // The publisher's thread only.
    State m_state = State::Down;
    bool m_everUp = false;
    std::string m_lastFailure;
    std::string m_lastRefusal;  // the broker's answer to the connection under way
    int m_retryMillis = 0;
    std::int64_t m_nextAttempt = 0;
    std::int64_t m_connectStarted = 0;
    std::uint64_t m_droppedSaid = 0;
    std::int64_t m_startedAt = 0;
    bool m_swept = false;
    bool m_listening = false;  // subscribed to our own device topics for what is retained
    int m_listenId = -1;
    std::int64_t m_listenedAt = 0;  // when that subscription was confirmed
    std::thread m_thread;
};

}  // namespace signseek
