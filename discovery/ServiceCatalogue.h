#pragma once

#include <string>
#include <vector>

namespace signseek {

// Readable names of the service tokens in a service list, one entry per token
// in token order. A known token reads as its display name followed by its
// ":port" suffix; an unknown token is returned unchanged.
std::vector<std::string> GetServiceNames(std::string services);

}  // namespace signseek
