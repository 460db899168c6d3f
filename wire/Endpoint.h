#pragma once
// Endpoint texts: "scheme://host[:port][/path]".

#include <string>
#include <string_view>
#include <vector>

namespace signseek::wire {

struct Endpoint {
    std::string host;
    int port = 80;
    std::string path = "/";
    bool udp = false;  // "soap.udp:" endpoints travel as datagrams
};

Endpoint ParseEndpoint(std::string_view text);

// Several endpoints may be given separated by blanks; they are tried in turn.
std::vector<std::string> SplitEndpoints(std::string_view text);

}  // namespace signseek::wire