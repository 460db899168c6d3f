#pragma once
// --from: the devices the watch agents left retained on a broker, read under
// PATH/+/devices/+ (PATH a prefix: every site) and PATH/devices/+ (PATH
// names one site).

#include "cli/mqtt/BrokerLink.h"

#include <cstddef>
#include <string>
#include <vector>

namespace signseek {

struct FleetLimits {
    int connectMillis = 10000;  // to be connected and subscribed
    int quietMillis = 1000;     // retained messages come at once; this long without one ends the read
    int totalMillis = 30000;    // the read ends by then whatever comes
    std::size_t maxDevices = 100000;
    std::size_t maxBytes = 256u << 20;    // payloads in all
    std::size_t maxPayload = 256u << 10;  // a larger message is no device of ours
};

struct RetainedDevice {
    std::string site;
    std::string topic;
    std::string payload;
};

struct FleetRead {
    std::vector<RetainedDevice> devices;  // ordered by topic
    std::string failure;                  // why the broker could not be read; empty when it was
    bool limitReached = false;            // some devices were left out
};

FleetRead ReadFleet(BrokerLink& link, const std::string& path, const FleetLimits& limits = {});

// The site of a device topic under path, or empty when the topic is not one.
std::string SiteOfDeviceTopic(const std::string& path, const std::string& topic);

}  // namespace signseek
