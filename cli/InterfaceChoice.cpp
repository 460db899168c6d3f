#include "cli/InterfaceChoice.h"

#include "settings/AdapterList.h"

#include <algorithm>
#include <arpa/inet.h>

namespace signseek {

std::vector<UsableAdapter> UsableAdapters(const signseek::AdapterSource& adapters)
{
    std::vector<UsableAdapter> usable;
    for (const std::string& description : signseek::GetAdapterDescriptions(adapters)) {
        // Several adapters may share a description; each is listed with the address a search would use.
        if (std::any_of(usable.begin(), usable.end(),
                        [&description](const UsableAdapter& u) { return u.description == description; }))
            continue;
        // Interface names never hold a blank; a known model follows in parentheses.
        usable.push_back({description.substr(0, description.find(' ')), description,
                          signseek::GetAdapterAddress(description, adapters)});
    }
    return usable;
}

std::string FormatAdapters(const std::vector<UsableAdapter>& adapters, const std::string& indent)
{
    std::size_t nameWidth = 0, descriptionWidth = 0;
    for (const UsableAdapter& a : adapters) {
        nameWidth = std::max(nameWidth, a.name.size());
        descriptionWidth = std::max(descriptionWidth, a.description.size());
    }
    std::string out;
    for (const UsableAdapter& a : adapters) {
        out += indent + a.name + std::string(nameWidth - a.name.size() + 2, ' ') + a.description +
               std::string(descriptionWidth - a.description.size() + 2, ' ') + a.address + '\n';
    }
    return out;
}

InterfaceChoice ChooseInterface(const std::string& requested, const signseek::AdapterSource& adapters)
{
    in_addr parsed{};
    if (!requested.empty() && inet_pton(AF_INET, requested.c_str(), &parsed) == 1) return {requested, "", false};
    const std::vector<UsableAdapter> usable = UsableAdapters(adapters);
    if (requested.empty()) {
        if (usable.empty()) return {std::nullopt, "no network adapter with an IPv4 address", false};
        return {usable.front().address, "", false};
    }
    // The exact description first, as the window's adapter list names it.
    std::string address = signseek::GetAdapterAddress(requested, adapters);
    if (address.empty() || address == "0.0.0.0") {
        auto named = std::find_if(usable.begin(), usable.end(),
                                  [&requested](const UsableAdapter& u) { return u.name == requested; });
        if (named != usable.end()) address = named->address;
    }
    if (!address.empty() && address != "0.0.0.0") return {address, "", false};
    std::string error = "no adapter \"" + requested + "\" with an IPv4 address";
    if (!usable.empty()) error += "; usable adapters:\n" + FormatAdapters(usable, "  ");
    while (!error.empty() && error.back() == '\n') error.pop_back();
    return {std::nullopt, error, true};
}

}  // namespace signseek
