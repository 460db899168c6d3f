#pragma once
// The names of the topics the watch publishes under PREFIX/SITE.

#include "discovery/DeviceRecord.h"

#include <string>

namespace signseek {

// A device's topic level: the same for the same device on the same adapter
// across restarts (the watch's identity of a device, its host or else its
// endpoint address, and the watched adapter's address, which a record made
// from a Hello does not carry), and always a safe topic level: a readable
// part of the host, a '-', and 16 hex digits of a hash of both.
std::string DeviceTopicId(const DeviceRecord& record, const std::string& adapter);

// The host name as a site: every character a topic level must not hold
// becomes '-'; "site" when nothing usable is left.
std::string SiteFromHostName(const std::string& hostName);

inline constexpr char kDevicesLevel[] = "devices";
inline constexpr char kEventsLevel[] = "events";
inline constexpr char kStatusLevel[] = "status";
inline constexpr char kOnline[] = "online";
inline constexpr char kOffline[] = "offline";

}  // namespace signseek
