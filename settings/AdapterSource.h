#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace signseek {

// One network adapter as the enumeration reports it.
struct AdapterRecord {
    std::string description;
    std::vector<std::string> ipv4Addresses;  // dotted form, in the system's order
};

// The platform's adapter enumeration.
class AdapterSource {
public:
    virtual ~AdapterSource() = default;
    // The adapters in enumeration order; nothing when the enumeration fails.
    virtual std::optional<std::vector<AdapterRecord>> Enumerate() const = 0;
};

// One IPv4 entry of the interface address list (getifaddrs).
struct InterfaceAddress {
    std::string name;    // may carry an address label, "eth0:1"
    unsigned flags = 0;  // IFF_*
    std::string ipv4;
};

// Looks up a readable model for an interface; empty when unknown.
using ModelLookup = std::function<std::string(const std::string& interfaceName)>;

// Groups IPv4 entries into adapters in order of first appearance, leaves out
// interfaces that are down or without carrier, and puts loopback last so the
// first choice is a real network. A description is the interface name, with
// "(model)" appended when the system knows the model.
std::vector<AdapterRecord> GroupByInterface(const std::vector<InterfaceAddress>& entries, const ModelLookup& model);

// The model named by a udev database record (E:ID_MODEL_FROM_DATABASE, else
// E:ID_MODEL); empty when it names none.
std::string ModelFromUdevData(std::istream& record);

// The enumeration of this machine's network namespace.
std::unique_ptr<AdapterSource> CreateAdapterSource();

}  // namespace signseek
