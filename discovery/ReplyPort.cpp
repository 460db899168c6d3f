#include "discovery/ReplyPort.h"

#include "discovery/RunFailure.h"

#include <cerrno>

namespace signseek {

ReplyPortChoice ChooseReplyPort(std::optional<std::uint16_t> given, const std::string& address,
                                const ReplyPortProbe& probe)
{
    ReplyPortChoice choice;
    choice.port = given.value_or(REPLY_PORT);
    if (address.empty() || probe.TryBind(address, choice.port) != EADDRINUSE) return choice;
    if (given) {
        choice.failure = ListenFailure(false, address, choice.port, EADDRINUSE);
        return choice;
    }
    const std::uint16_t free = probe.AnyFreePort(address);
    if (free == 0) {
        choice.failure = ListenFailure(false, address, choice.port, EADDRINUSE);
        return choice;
    }
    choice.note = ReplyPortHeld(choice.port) + ", so this search takes its answers on TCP port " +
                  std::to_string(free) + "; a firewall that lets only port " + std::to_string(choice.port) +
                  " through keeps them out";
    choice.port = free;
    return choice;
}

}  // namespace signseek
