#pragma once
// Which local IPv4 address a search goes out from: an address given as is,
// an adapter given by its description, or the first adapter.

#include "settings/AdapterSource.h"

#include <optional>
#include <string>

struct InterfaceChoice {
    std::optional<std::string> address;
    std::string error;  // one line when there is no address
};

InterfaceChoice ChooseInterface(const std::string &requested, const signseek::AdapterSource &adapters);
