#pragma once
// Which local IPv4 address a search goes out from: an address given as is,
// an adapter given by its interface name or its description, or the first
// adapter.

#include "settings/AdapterSource.h"

#include <optional>
#include <string>
#include <vector>

namespace signseek {

struct InterfaceChoice {
    std::optional<std::string> address;
    std::string error;            // when there is no address; the usable adapters follow on lines of their own
    bool unknownAdapter = false;  // the request named no adapter (rather than there being none)
};

InterfaceChoice ChooseInterface(const std::string& requested, const signseek::AdapterSource& adapters);

// What --interface takes for a search on every usable adapter at once.
inline constexpr char kAllAdapters[] = "all";

// An adapter a search can go out from, as --list-interfaces shows it.
struct UsableAdapter {
    std::string name;  // the interface name: the description up to " ("
    std::string description;
    std::string address;
};

std::vector<UsableAdapter> UsableAdapters(const signseek::AdapterSource& adapters);

// One line per adapter, name, description and address in aligned columns,
// each line starting with indent.
std::string FormatAdapters(const std::vector<UsableAdapter>& adapters, const std::string& indent = "");

}  // namespace signseek
