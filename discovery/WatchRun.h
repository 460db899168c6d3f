#pragma once
// A watch: the search again and again, with the announcements heard between
// searches, told as a stream of found, changed and lost devices until the
// caller stops it.

#include "discovery/DeviceRecord.h"
#include "discovery/DiscoveryRun.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

namespace signseek {

enum class WatchEvent { Found, Changed, Lost };

// "found", "changed" or "lost".
const char* WatchEventName(WatchEvent event);

struct WatchRequest {
    DiscoveryRequest search;   // interface, ports and time-outs of each search
    int intervalSeconds = 60;  // from one search's start to the next; below 1 counts as 1
    // Told why a search's run could not run (one line), from that run's
    // thread; the watch goes on and tries again next interval. May be empty.
    std::function<void(const std::string& failure)> onRunFailure;
    // Told, about once a minute, how many events of devices heard of only by
    // Hello were held back (more than UnconfirmedEventLimit::kPerWindow in a
    // minute). May be empty.
    std::function<void(std::size_t heldBack)> onHeldBack;
    // What the device list shows of a record: a device is "changed" only when
    // this text changes. Required.
    std::function<std::string(const DeviceRecord&)> shownText;
};

// foundBy names what first found the device: "devices", "bridges" or "hello".
// Called from the watch's threads, one call at a time; it must be quick.
using WatchHandler = std::function<void(WatchEvent event, const std::string& foundBy, const DeviceRecord& record)>;

// Hears Hello and Bye on the discovery group and runs both discovery runs
// every interval until stop is set; each device is told as soon as a run
// accepts it. A device is lost on its Bye or when it has not been heard for
// three intervals. Announcements are believed as WatchRoster and
// AnnouncementEvidence.h say: a Bye, or a Hello of a listed device, only from
// the device's own source address; a device heard of only by Hello is told
// with foundBy "hello" until a search confirms it ("changed", with the run). Ends within a moment of the stop, and
// returns an empty text, or why the watch could not start (then nothing was reported).
std::string RunWatch(const WatchRequest& request, const WatchHandler& handler, const std::atomic<bool>& stop);

}  // namespace signseek
