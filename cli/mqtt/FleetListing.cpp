#include "cli/mqtt/FleetListing.h"

#include "cli/mqtt/BrokerSetup.h"
#include "cli/mqtt/FleetDevices.h"
#include "cli/mqtt/FleetReader.h"

namespace signseek {

FleetListing ListFleet(const FindOptions& options)
{
    FleetListing listing;
    CreatedLink created = LinkFor(options, *options.from);
    if (!created.link) {
        listing.failure = created.error;
        listing.badSetup = true;
        return listing;
    }
    FleetRead read = ReadFleet(*created.link, options.from->path);
    if (!read.failure.empty()) {
        listing.failure = "cannot read the broker " + options.from->Where() + ": " + read.failure;
        return listing;
    }
    listing.limitReached = read.limitReached;
    for (const RetainedDevice& retained : read.devices) {
        if (std::optional<FoundDevice> device = DeviceFromJson(retained.payload, retained.site))
            listing.devices.push_back(std::move(*device));
        else
            ++listing.unreadable;
    }
    return listing;
}

}  // namespace signseek
