#include "discovery/AnnouncementListener.h"

#include "common/TextHelpers.h"
#include "common/VendorConstants.h"
#include "discovery/DeviceCollector.h"
#include "discovery/MatchRecord.h"
#include "wire/DiscoveryGroup.h"
#include "wire/EnvelopeReader.h"
#include "wire/Transport.h"

namespace signseek {

namespace {

// How long one wait for a datagram lasts, so that Stop is noticed soon.
constexpr int kReceiveWaitMicros = 200 * 1000;

}  // namespace

int AnnouncementService::Hello(disc__HelloType* hello)
{
    if (hello) m_last = Announcement{Announcement::Kind::Hello, RecordFromHello(*hello), wire::PeerAddress(this)};
    return SOAP_OK;
}

int AnnouncementService::Bye(disc__ByeType* bye)
{
    if (bye) {
        Announcement gone{Announcement::Kind::Bye, {}, wire::PeerAddress(this)};
        const char* address = bye->wsa__EndpointReference.Address;
        gone.record.address = address ? address : "";
        m_last = std::move(gone);
    }
    return SOAP_OK;
}

std::optional<Announcement> AnnouncementService::ReadOne()
{
    m_last.reset();
    // The steps of ServeOne without its fault: a watcher answers nobody.
    int rc = wire::BeginReceive(this);
    if (!rc) rc = wire::ReadEnvelopeStart(this);
    if (!rc) rc = wire::ReadHeader(this);
    if (!rc) rc = wire::ReadBodyStart(this);
    if (!rc) rc = dispatch();
    wire::CloseExchange(this);
    header = nullptr;
    soap_destroy(this);
    soap_dealloc(this, nullptr);
    if (rc) m_last.reset();
    return std::move(m_last);
}

AnnouncementListener::~AnnouncementListener() { Stop(); }

std::string AnnouncementListener::Start(const std::string& interfaceAddress, int port, Handler handler)
{
    if (std::string failure = wire::ListenToDiscoveryGroup(&m_service, interfaceAddress, port); !failure.empty())
        return failure;
    m_service.recv_timeout = -kReceiveWaitMicros;
    m_handler = std::move(handler);
    m_stop = false;
    m_thread = std::thread([this] {
        while (!m_stop) {
            if (!soap_valid_socket(wire::Accept(&m_service))) continue;
            if (std::optional<Announcement> heard = m_service.ReadOne(); heard && !m_stop) m_handler(*heard);
        }
    });
    return {};
}

void AnnouncementListener::Stop()
{
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

std::optional<DeviceRecord> ListedFromHello(DeviceRecord record)
{
    bool vendor = false;
    for (const std::string& scope : SplitString(record.scopes, WHITESPACE_DELIMITERS))
        vendor = vendor || scope.rfind(VENDOR_URI_ROOT, 0) == 0;
    if (!vendor) return std::nullopt;
    // A collector of its own applies the search's rules to the one record.
    DeviceCollector rules;
    if (rules.HandleMatch(std::move(record)) != DeviceCollector::Outcome::Added) return std::nullopt;
    return rules.Devices().front();
}

}  // namespace signseek
