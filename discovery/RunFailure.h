#pragma once
#ifndef SIGNSEEK_ENGINE_INTERNAL
#error "discovery/RunFailure.h is internal to the discovery engine: search through discovery/Search.h"
#endif
// One line saying why a discovery run could not do its work, for the user:
// the window's message box and signseek-find's error line.

#include <string>

namespace signseek {

// A probe that could not be sent from interfaceAddress (empty: no adapter
// address at all); socketError is the errno of the failed step, or 0; ttl
// and port are what it was sent with (-1: not known).
std::string ProbeFailure(const std::string& interfaceAddress, int socketError, int ttl = -1, int port = -1);

// A listener that could not start on host:port; udp for the bridge run's
// listener, which also joins the discovery group.
std::string ListenFailure(bool udp, const std::string& host, int port, int socketError);

// The reply port taken by someone else, without what to do.
std::string ReplyPortHeld(int port);

}  // namespace signseek
