#pragma once
// The TCP port a search's devices answer to. REPLY_PORT unless the user
// names another; while another search (a watch, the window, a second
// signseek-find) holds it, a free port instead, so two searches can run side
// by side on one machine.

#include "common/VendorConstants.h"

#include <cstdint>
#include <optional>
#include <string>

namespace signseek {

// How a port is found free; the system's binds a TCP socket and lets it go.
class ReplyPortProbe {
public:
    virtual ~ReplyPortProbe() = default;
    // 0 when a listener could bind address:port now, else the errno.
    virtual int TryBind(const std::string& address, std::uint16_t port) const = 0;
    // A port the system has free on address, or 0.
    virtual std::uint16_t AnyFreePort(const std::string& address) const = 0;
};

const ReplyPortProbe& SystemReplyPorts();

struct ReplyPortChoice {
    std::uint16_t port = REPLY_PORT;
    std::string note;     // said to the user when the search takes another port than asked
    std::string failure;  // the port asked for cannot be used: why, and what to do
};

// given: the user's own port, used as it is (held by another, a failure);
// none: REPLY_PORT, or a free port when another holds it. address is the
// listener's ("0.0.0.0" for every adapter at once). Other causes are left to
// the run, which names them when its listener cannot start.
ReplyPortChoice ChooseReplyPort(std::optional<std::uint16_t> given, const std::string& address,
                                const ReplyPortProbe& probe = SystemReplyPorts());

}  // namespace signseek
