#pragma once

#include "discovery/DeviceRecord.h"

#include <optional>
#include <string>
#include <string_view>

namespace signseek {

// The address of a device's management web page, "http://host:port/", built
// from where its answer came from (or, for a device naming the maker's home
// page among its scopes, from its endpoint address) and its management port.
// The text comes from the device, so nothing is returned unless it is a plain
// http URL whose host is a dotted IPv4 address or a DNS name and whose port
// is a number: the caller hands the result to a browser launcher.
std::optional<std::string> BuildWebPageAddress(const DeviceRecord& record);

// Whether address is "http://" + IPv4-or-DNS host + ":" + port 1..65535,
// optionally followed by a single "/", and nothing else.
bool IsSafeWebPageAddress(std::string_view address);

}  // namespace signseek
