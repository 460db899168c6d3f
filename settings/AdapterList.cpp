#include "settings/AdapterList.h"

#include <algorithm>

namespace signseek {

namespace {

std::string AddressOf(const AdapterRecord& adapter)
{
    return adapter.ipv4Addresses.empty() ? std::string{} : adapter.ipv4Addresses.back();
}

}  // namespace

std::vector<std::string> GetAdapterDescriptions(const AdapterSource& source)
{
    std::vector<std::string> descriptions;
    auto adapters = source.Enumerate();
    if (!adapters) return descriptions;
    for (const AdapterRecord& adapter : *adapters) {
        std::string address = AddressOf(adapter);
        if (!address.empty() && address != "0.0.0.0") descriptions.push_back(adapter.description);
    }
    return descriptions;
}

std::vector<std::string> GetAdapterDescriptions() { return GetAdapterDescriptions(*CreateAdapterSource()); }

std::string GetAdapterAddress(const std::string& description, const AdapterSource& source)
{
    std::string address;
    auto adapters = source.Enumerate();
    if (!adapters) return address;
    for (const AdapterRecord& adapter : *adapters)
        if (adapter.description == description) address = AddressOf(adapter);
    return address;
}

std::string GetAdapterAddress(const std::string& description)
{
    return GetAdapterAddress(description, *CreateAdapterSource());
}

std::vector<std::string> GetAllAdapterAddresses(const AdapterSource& source)
{
    std::vector<std::string> addresses;
    for (const std::string& description : GetAdapterDescriptions(source)) {
        const std::string address = GetAdapterAddress(description, source);
        // The shared reply listener tells adapters apart by address alone.
        if (address.empty() || address == "0.0.0.0" ||
            std::find(addresses.begin(), addresses.end(), address) != addresses.end())
            continue;
        addresses.push_back(address);
    }
    return addresses;
}

}  // namespace signseek
