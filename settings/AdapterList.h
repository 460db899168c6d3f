#pragma once

#include "settings/AdapterSource.h"

#include <string>
#include <vector>

namespace signseek {

// The descriptions, in enumeration order, of the adapters whose address (the
// last of their IPv4 addresses) is set and is not "0.0.0.0". Empty when the
// enumeration fails.
std::vector<std::string> GetAdapterDescriptions(const AdapterSource& source);
std::vector<std::string> GetAdapterDescriptions();

// The address of the adapter with exactly this description; the last such
// adapter wins. Empty when none has it or the enumeration fails. "0.0.0.0" is
// passed on: the adapter may have lost its address since the list was filled.
std::string GetAdapterAddress(const std::string& description, const AdapterSource& source);
std::string GetAdapterAddress(const std::string& description);

// The address of every listed adapter, each once, in the list's order: what
// a search on all adapters at once goes out from. Adapters sharing a
// description go out from the address GetAdapterAddress gives them.
std::vector<std::string> GetAllAdapterAddresses(const AdapterSource& source);

}  // namespace signseek
