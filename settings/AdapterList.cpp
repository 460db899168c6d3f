#include "settings/AdapterList.h"

namespace signseek {

namespace {

std::string AddressOf(const AdapterRecord& adapter) {
    return adapter.ipv4Addresses.empty() ? std::string{} : adapter.ipv4Addresses.back();
}

}  // namespace

std::vector<std::string> GetAdapterDescriptions(const AdapterSource& source) {
    std::vector<std::string> descriptions;
    auto adapters = source.Enumerate();
    if (!adapters) return descriptions;
    for (const AdapterRecord& adapter : *adapters) {
        std::string address = AddressOf(adapter);
        if (!address.empty() && address != "0.0.0.0") descriptions.push_back(adapter.description);
    }
    return descriptions;
}

std::vector<std::string> GetAdapterDescriptions() {
    return GetAdapterDescriptions(*CreateAdapterSource());
}

std::string GetAdapterAddress(const std::string& description, const AdapterSource& source) {
    std::string address;
    auto adapters = source.Enumerate();
    if (!adapters) return address;
    for (const AdapterRecord& adapter : *adapters)
        if (adapter.description == description) address = AddressOf(adapter);
    return address;
}

std::string GetAdapterAddress(const std::string& description) {
    return GetAdapterAddress(description, *CreateAdapterSource());
}

}  // namespace signseek
