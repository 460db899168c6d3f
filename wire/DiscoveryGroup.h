#pragma once
// A UDP context that hears what is multicast to the discovery group: bound
// to the group address at a port, its membership on the chosen interface.

#include "soapH.h"

#include <string>

namespace signseek::wire {

// Binds ctx (a UDP context) to the group at port and joins the group on the
// interface with the dotted IPv4 address given. Other programs on this
// machine may listen there as well. Returns an empty text, or why it failed.
std::string ListenToDiscoveryGroup(soap* ctx, const std::string& interfaceAddress, int port);

}  // namespace signseek::wire
