#pragma once
// From signseek-find's options to a broker connection: the password (from
// the address, --mqtt-password-file or $SIGNSEEK_MQTT_PASSWORD), the TLS
// files, the site and the will.

#include "cli/FindOptions.h"
#include "cli/mqtt/BrokerLink.h"
#include "cli/mqtt/WatchPublisher.h"

#include <memory>
#include <string>

namespace signseek {

inline constexpr char kPasswordVariable[] = "SIGNSEEK_MQTT_PASSWORD";

// The connection to address, or why there is none (one line).
CreatedLink LinkFor(const FindOptions& options, const BrokerAddress& address, const std::string& willTopic = {});

// PREFIX/SITE of the watch's topics.
std::string PublishRoot(const FindOptions& options);

struct StartedPublisher {
    std::unique_ptr<WatchPublisher> publisher;
    std::string error;
};
// The started publisher of --publish; notices go to notice.
StartedPublisher StartPublisher(const FindOptions& options, WatchPublisher::Notice notice);

}  // namespace signseek
