// The HTTP listener's loop: every open connection's request is collected
// with poll and a deadline of its own, then served from memory.

#include "wire/MatchServiceBase.h"

#include "wire/ErrorTable.h"
#include "wire/MessageScreen.h"
#include "wire/WireState.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace signseek::wire {
namespace {

constexpr char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
constexpr std::size_t kReadSize = 16384;
constexpr int kAcceptPauseMillis = 100;
// Accepts in one turn at most, so the open connections are read between bursts.
constexpr std::size_t kMaxAcceptsPerTurn = 8192;
// How long a wait lasts at most before the stop flag is looked at again.
constexpr std::int64_t kStopCheckMillis = 50;

struct Connection {
    int fd = -1;
    sockaddr_storage peer{};
    socklen_t peerLength = 0;
    std::int64_t deadline = 0;
    std::int64_t acceptedAt = 0;
    std::size_t received = 0;  // bytes read so far
    HttpRequestFramer framer;
};

void Close(Connection& c)
{
    if (c.fd >= 0) ::close(c.fd);
    c.fd = -1;
}

std::unique_ptr<Connection> AcceptOne(int master, std::int64_t deadline)
{
    auto c = std::make_unique<Connection>();
    c->peerLength = sizeof c->peer;
    c->fd = ::accept4(master, reinterpret_cast<sockaddr*>(&c->peer), &c->peerLength, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (c->fd < 0) return nullptr;
    (void)SetSocketOptions(c->fd, true);  // a connection serves without them too
    c->deadline = deadline;
    c->acceptedAt = SteadyMillis();
    return c;
}

// Reads what has arrived. False when the connection ended without a request.
bool ReadSome(Connection& c)
{
    char buffer[kReadSize];
    ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    if (n == 0) {
        c.framer.EndOfInput();
        return c.framer.Complete();
    }
    c.received += static_cast<std::size_t>(n);
    c.framer.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
    if (c.framer.TakeContinue()) (void)::send(c.fd, kContinue, sizeof kContinue - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    return true;
}

bool Collected(const Connection& c) { return c.framer.Complete() || c.framer.Refused(); }

// The connection to give up when the table is full: the one that has sent
// least, and of those the one open longest. A device that sends its request
// at once is read before it could be chosen.
std::vector<std::unique_ptr<Connection>>::iterator LeastUseful(std::vector<std::unique_ptr<Connection>>& open)
{
    return std::min_element(open.begin(), open.end(), [](const auto& a, const auto& b) {
        return a->received != b->received ? a->received < b->received : a->acceptedAt < b->acceptedAt;
    });
}

}  // namespace

std::int64_t SteadyMillis()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int MatchServiceBase::ServeCollected(const HttpRequestFramer& framer)
{
    WireState& state = StateOf(this);
    if (framer.Refused())
        state.refusal = framer.RefusalCode();
    else if (int refused = ScreenMessage(framer.Body()))
        state.refusal = refused;
    else
        state.replay = &framer.Request();
    state.replayOffset = 0;
    int rc = ServeOne();
    state.replay = nullptr;
    state.refusal = 0;
    return rc;
}

void MatchServiceBase::ServeConnections(int idleMillis, int requestMillis, std::int64_t endMillis,
                                        const std::atomic<bool>* stop, const ProbesInFlight* probes)
{
    const std::int64_t firstEnd = endMillis;
    std::vector<std::unique_ptr<Connection>> open;
    std::vector<pollfd> polled;
    std::int64_t lastRequest = SteadyMillis();
    std::int64_t acceptPausedUntil = 0;
    WireState& state = StateOf(this);
    // Accepting goes on while connections are pending, so it must not block.
    const int masterFlags = soap_valid_socket(master) ? fcntl(master, F_GETFL) : -1;
    if (masterFlags >= 0) fcntl(master, F_SETFL, masterFlags | O_NONBLOCK);
    // Answers and closes the connection.
    auto serve = [&](Connection& c) {
        socket = c.fd;
        std::memcpy(&peer.storage, &c.peer, sizeof c.peer);
        peerlen = c.peerLength;
        state.deadlineMillis = c.deadline;
        if (const int rc = ServeCollected(c.framer); rc != SOAP_OK) MessageFailed(rc);
        state.deadlineMillis = 0;
        if (soap_valid_socket(socket)) ::close(socket);
        socket = SOAP_INVALID_SOCKET;
        c.fd = -1;
        lastRequest = SteadyMillis();
    };
    for (;;) {
        std::int64_t now = SteadyMillis();
        const bool sending = probes && probes->sending.load();
        if (probes) {
            endMillis = probes->EndAfter(firstEnd);
            lastRequest = std::max(lastRequest, probes->lastSentMillis.load());
        }
        // A connection gets one deadline for its whole request; past it, it
        // is closed without an answer, as a quiet line is.
        for (auto& c : open)
            if (now >= c->deadline) Close(*c);
        std::erase_if(open, [](const auto& c) { return c->fd < 0; });
        if (now >= endMillis || (stop && stop->load())) break;
        if (open.empty() && !sending && now - lastRequest >= idleMillis) break;

        std::int64_t wake = endMillis;
        if (stop || sending) wake = std::min(wake, now + kStopCheckMillis);
        if (open.empty()) wake = std::min(wake, lastRequest + idleMillis);
        for (const auto& c : open) wake = std::min(wake, c->deadline);
        polled.clear();
        const bool accepting = soap_valid_socket(master) && now >= acceptPausedUntil;
        if (!accepting && now < acceptPausedUntil) wake = std::min(wake, acceptPausedUntil);
        if (accepting) polled.push_back({master, POLLIN, 0});
        for (const auto& c : open) polled.push_back({c->fd, POLLIN, 0});
        int ready = ::poll(polled.data(), polled.size(), static_cast<int>(std::max<std::int64_t>(0, wake - now)));
        if (ready < 0 && errno != EINTR) {
            SetTransportError(this, "select failed in soap_poll()", errno, true);
            break;
        }
        if (ready <= 0) continue;
        now = SteadyMillis();

        const std::size_t first = accepting ? 1 : 0;
        const std::size_t known = open.size();
        for (std::size_t i = 0; i < known; ++i) {
            Connection& c = *open[i];
            if (!polled[first + i].revents) continue;
            if (!ReadSome(c)) {
                Close(c);
                continue;
            }
            if (Collected(c)) serve(c);
        }
        std::erase_if(open, [](const auto& c) { return c->fd < 0; });
        if (!accepting || !(polled[0].revents & POLLIN)) continue;
        // The whole queue is taken at once, so a storm of connections cannot
        // keep a device's connection waiting in the backlog; with the table
        // full, the least useful connection makes room.
        for (std::size_t taken = 0; taken < kMaxAcceptsPerTurn && SteadyMillis() < endMillis; ++taken) {
            auto c = AcceptOne(master, now + requestMillis);
            if (!c) {
                // Out of descriptors, say: the connection stays pending, and
                // polling for it again at once would only spin.
                if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED)
                    acceptPausedUntil = now + kAcceptPauseMillis;
                break;
            }
            // A device writes its request right after connecting.
            if (!ReadSome(*c)) {
                Close(*c);
                continue;
            }
            if (Collected(*c)) {
                serve(*c);
                continue;
            }
            if (open.size() >= kMaxOpenConnections) {
                auto victim = LeastUseful(open);
                ++m_shedConnections;
                if ((*victim)->received > c->received) {
                    Close(*c);
                    continue;
                }
                Close(**victim);
                *victim = std::move(c);
                continue;
            }
            open.push_back(std::move(c));
        }
    }
    for (auto& c : open) Close(*c);
    if (masterFlags >= 0) fcntl(master, F_SETFL, masterFlags);
}

}  // namespace signseek::wire