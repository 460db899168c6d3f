#pragma once
#ifndef SIGNSEEK_ENGINE_INTERNAL
#error "discovery/AnnouncementListener.h is internal to the discovery engine: search through discovery/Search.h"
#endif
// The watch's ear on the discovery group: a UDP context bound to the group at
// the discovery port, joined on the chosen interface, that reads Hello and
// Bye announcements and hands each to a callback. It never answers anything,
// not even a message it cannot read: a watcher is silent on the network.

#include "discovery/DeviceRecord.h"
#include "wire/MatchServiceBase.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace signseek {

struct Announcement {
    enum class Kind { Hello, Bye } kind = Kind::Hello;
    DeviceRecord record;  // a Hello's record; a Bye fills only the address
    std::string from;     // the datagram's source address (dotted IPv4), empty when unknown
};

class AnnouncementService : public wire::MatchServiceBase {
public:
    AnnouncementService() : MatchServiceBase(wire::TransportMode::Udp) {}
    int Hello(disc__HelloType* hello) override;
    int Bye(disc__ByeType* bye) override;
    // Other messages are skipped without a fault.
    int ProbeMatches(disc__ProbeMatchesType*) override { return SOAP_OK; }

    // Reads one datagram; the announcement it held, if any.
    std::optional<Announcement> ReadOne();

private:
    std::optional<Announcement> m_last;
};

class AnnouncementListener {
public:
    using Handler = std::function<void(const Announcement&)>;

    AnnouncementListener() = default;
    ~AnnouncementListener();
    AnnouncementListener(const AnnouncementListener&) = delete;
    AnnouncementListener& operator=(const AnnouncementListener&) = delete;

    // Binds the group at port, joins it on interfaceAddress and starts
    // reading on a thread of its own, which calls handler. Returns an empty
    // text, or why it could not start.
    std::string Start(const std::string& interfaceAddress, int port, Handler handler);
    // Ends the thread; the handler is not called after Stop returns.
    void Stop();

private:
    AnnouncementService m_service;
    Handler m_handler;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Whether a watch lists what a Hello announces: a device under the vendor's
// root scope that a search would keep (the made-up services included).
std::optional<DeviceRecord> ListedFromHello(DeviceRecord record);

}  // namespace signseek
