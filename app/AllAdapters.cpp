#include "app/AllAdapters.h"

#include "settings/AdapterList.h"

namespace signseek {

DiscoveryRunFunction OnAllAdapters(RunKind kind, std::shared_ptr<const AdapterSource> adapters, AdaptersRunFunction run)
{
    return [kind, adapters = std::move(adapters), run = std::move(run)](const DiscoveryRequest& request) {
        // Looked up on the search thread, as a single adapter's address is.
        const std::vector<std::string> addresses = GetAllAdapterAddresses(*adapters);
        if (addresses.empty()) {
            RunResult none;
            none.failed = true;
            none.failure = "no network adapter with an IPv4 address";
            return none;
        }
        return JoinAdapterResults(run(kind, request, addresses), addresses);
    };
}

}  // namespace signseek
