#pragma once
// The adapter list's last entry: a search on every listed adapter at once,
// each run given to the search threads as one ordinary run.

#include "app/SearchThreads.h"
#include "discovery/DiscoveryRun.h"
#include "settings/AdapterSource.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace signseek {

inline constexpr char kAllAdaptersEntry[] = "All adapters";

using AdaptersRunFunction =
    std::function<std::vector<RunResult>(RunKind, const DiscoveryRequest&, const std::vector<std::string>&)>;

// A run of that kind on the address of every adapter the source lists when
// it runs, its results joined into one; the request's own adapter address is
// not used. It fails when no adapter has an address.
DiscoveryRunFunction OnAllAdapters(RunKind kind, std::shared_ptr<const AdapterSource> adapters,
                                   AdaptersRunFunction run);

}  // namespace signseek
