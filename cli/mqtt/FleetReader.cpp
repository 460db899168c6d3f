#include "cli/mqtt/FleetReader.h"

#include "cli/mqtt/DeviceTopic.h"

#include <chrono>
#include <map>
#include <set>

namespace signseek {

namespace {

std::int64_t NowMillis()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::vector<std::string> Levels(const std::string& text)
{
    std::vector<std::string> levels;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('/', start);
        levels.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return levels;
        start = end + 1;
    }
}

}  // namespace

std::string SiteOfDeviceTopic(const std::string& path, const std::string& topic)
{
    if (!topic.starts_with(path + '/')) return {};
    const std::vector<std::string> rest = Levels(topic.substr(path.size() + 1));
    if (rest.size() == 3 && rest[1] == kDevicesLevel && !rest[0].empty() && !rest[2].empty()) return rest[0];
    if (rest.size() == 2 && rest[0] == kDevicesLevel && !rest[1].empty()) return Levels(path).back();
    return {};
}

FleetRead ReadFleet(BrokerLink& link, const std::string& path, const FleetLimits& limits)
{
    FleetRead read;
    std::string refusal;
    bool connected = false;
    std::set<int> subscribing;
    std::map<std::string, RetainedDevice> byTopic;
    std::size_t bytes = 0;
    std::int64_t lastHeard = 0;

    link.SetHandlers({
        [&](int rc, const std::string& reason) {
            if (rc == 0)
                connected = true;
            else
                refusal = "the broker refused the connection: " + reason;
        },
        {},
        [&](int id) {
            subscribing.erase(id);
            lastHeard = NowMillis();
        },
        [&](const BrokerMessage& message) {
            lastHeard = NowMillis();
            // Only what was retained is a device present; an empty one was cleared.
            if (!message.retained) return;
            const std::string site = SiteOfDeviceTopic(path, message.topic);
            if (site.empty()) return;
            auto known = byTopic.find(message.topic);
            if (known != byTopic.end()) {
                bytes -= known->second.payload.size();
                byTopic.erase(known);
            }
            if (message.payload.empty() || message.payload.size() > limits.maxPayload) return;
            if (byTopic.size() >= limits.maxDevices || bytes + message.payload.size() > limits.maxBytes) {
                read.limitReached = true;
                return;
            }
            bytes += message.payload.size();
            byTopic.emplace(message.topic, RetainedDevice{site, message.topic, message.payload});
        },
    });

    const std::int64_t started = NowMillis();
    if (std::string why = link.Connect(); !why.empty()) {
        read.failure = why;
        return read;
    }
    bool subscribed = false;
    for (;;) {
        const std::int64_t now = NowMillis();
        if (!refusal.empty()) {
            read.failure = refusal;
            break;
        }
        if (!subscribed && now - started > limits.connectMillis) {
            read.failure = "no answer from the broker";
            break;
        }
        if (connected && !subscribed && subscribing.empty()) {
            for (const std::string& pattern : {path + "/+/devices/+", path + "/devices/+"}) {
                std::optional<int> id = link.Subscribe(pattern, 1);
                if (!id) {
                    read.failure = "cannot subscribe to " + pattern;
                    break;
                }
                subscribing.insert(*id);
            }
            if (!read.failure.empty()) break;
            subscribed = true;
        }
        if (subscribed && subscribing.empty() && now - lastHeard > limits.quietMillis) break;
        if (now - started > limits.totalMillis) break;
        if (std::string why = link.Serve(50); !why.empty()) {
            read.failure = refusal.empty() ? why : refusal;
            break;
        }
    }
    link.Disconnect();
    for (auto& [topic, device] : byTopic) read.devices.push_back(std::move(device));
    return read;
}

}  // namespace signseek
