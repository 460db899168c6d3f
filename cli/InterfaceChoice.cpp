#include "cli/InterfaceChoice.h"

#include "settings/AdapterList.h"

#include <arpa/inet.h>

InterfaceChoice ChooseInterface(const std::string &requested, const signseek::AdapterSource &adapters)
{
    in_addr parsed{};
    if (!requested.empty() && inet_pton(AF_INET, requested.c_str(), &parsed) == 1) return {requested, ""};
    std::string description = requested;
    if (description.empty()) {
        auto descriptions = signseek::GetAdapterDescriptions(adapters);
        if (descriptions.empty()) return {std::nullopt, "no network adapter with an IPv4 address"};
        description = descriptions.front();
    }
    std::string address = signseek::GetAdapterAddress(description, adapters);
    if (address.empty() || address == "0.0.0.0")
        return {std::nullopt, "no adapter \"" + description + "\" with an IPv4 address"};
    return {address, ""};
}
