#include "discovery/RunObserver.h"

namespace signseek {

std::string OutcomeText(DeviceCollector::Outcome outcome, bool excludedForHomeScope)
{
    using Outcome = DeviceCollector::Outcome;
    switch (outcome) {
    case Outcome::Added: return "kept";
    case Outcome::Repeat: return "dropped: a device with this endpoint address is already listed";
    case Outcome::Merged: return "merged: another endpoint of the media player on the same host";
    case Outcome::SameHost: return "dropped: a device on the same host is already listed";
    case Outcome::Excluded:
        return excludedForHomeScope ? "dropped: the maker's home scope without types"
                                    : "dropped: a controller of the previous generation";
    case Outcome::Dropped: return "dropped: the search holds as many devices as it keeps";
    }
    return "dropped";
}

}  // namespace signseek
