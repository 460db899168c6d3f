#include "wire/Transport.h"

#include "wire/DatagramReceiver.h"
#include "wire/Endpoint.h"
#include "wire/ErrorTable.h"
#include "wire/MessageScreen.h"
#include "wire/NamespaceTable.h"
#include "wire/WireState.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace signseek::wire {
namespace {

// A failed datagram is tried this many more times (broadcast sockets would
// get 5, but this system never sets the broadcast option).
constexpr int kRetriesUnicast = 3;
// The first retry waits a random 50 to 250 ms, each further one twice as
// long, never more than 500 ms.
constexpr int kFirstRetryDelayMs = 50;
constexpr int kRetryDelaySpreadMs = 200;
constexpr int kMaxRetryDelayMs = 500;
// After the retries, interrupted and would-block sends go on this many times.
constexpr int kMaxExtraTries = 100;
// One wait for a busy socket when no time-out is set.
constexpr int kPollSliceMs = 10;
// A read that would block waits this long (a time-out setting, in seconds)
// before it tries again.
constexpr int kRetryReadTimeout = 1;
// Accept without an accept time-out (but with a send or receive time-out)
// waits in slices of this length.
constexpr int kAcceptSliceMs = 60000;

int TimeoutMillis(int t)
{
    if (t > 0) return t * 1000;
    if (t < 0) return std::max(1, -t / 1000);
    return -1;
}

// Waits until the socket is ready for `events`; 1 ready, 0 timed out, -1 error.
int WaitFor(int fd, short events, int millis)
{
    pollfd p{fd, events, 0};
    for (;;) {
        int r = poll(&p, 1, millis);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        return r > 0 ? 1 : 0;
    }
}

void CloseSocket(soap* ctx, SOAP_SOCKET& fd)
{
    if (soap_valid_socket(fd)) {
        ::close(fd);
        fd = SOAP_INVALID_SOCKET;
    }
    (void)ctx;
}

int RefuseGet(soap*) { return SOAP_GET_METHOD; }
int RefusePut(soap*) { return SOAP_PUT_METHOD; }
int RefuseDelete(soap*) { return kErrHttpDelete; }
int RefuseHead(soap*) { return kErrHttpHead; }
int RefuseOther(soap*) { return kErrHttpMethod; }

std::int64_t NowMillis()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// How long one wait of the current exchange may last: the time-out setting
// (-1 for none), cut to what is left before the exchange's deadline.
int WaitBudget(soap* ctx, int timeoutSetting)
{
    int millis = timeoutSetting ? TimeoutMillis(timeoutSetting) : -1;
    const std::int64_t deadline = StateOf(ctx).deadlineMillis;
    if (deadline) {
        const std::int64_t left = std::max<std::int64_t>(0, deadline - NowMillis());
        if (millis < 0 || left < millis) millis = static_cast<int>(left);
    }
    return millis;
}

// Marks the datagram in `buffer` as the message; a crowded one is refused
// unparsed (0, with the refusal noted), otherwise its length.
size_t TakeDatagram(soap* ctx, const char* buffer, std::size_t n)
{
    WireState& state = StateOf(ctx);
    state.datagramTaken = true;
    state.datagramSize = n;
    if ((state.refusal = ScreenMessage(std::string_view(buffer, n)))) return 0;
    return n;
}

// The next datagram a receiving thread has read off the socket.
size_t TakeQueuedDatagram(soap* ctx, char* buffer, size_t length)
{
    std::optional<Datagram> d = StateOf(ctx).datagrams->Take(WaitBudget(ctx, ctx->recv_timeout));
    if (!d) {
        ctx->errnum = 0;
        return 0;
    }
    std::memcpy(&ctx->peer.storage, &d->peer, std::min<std::size_t>(d->peerLength, sizeof ctx->peer.storage));
    ctx->peerlen = d->peerLength;
    const std::size_t n = std::min(length, d->bytes.size());
    std::memcpy(buffer, d->bytes.data(), n);
    return TakeDatagram(ctx, buffer, n);
}

size_t ReceiveCallback(soap* ctx, char* buffer, size_t length)
{
    WireState& state = StateOf(ctx);
    if (state.replay) {
        const std::size_t n = std::min(length, state.replay->size() - state.replayOffset);
        std::memcpy(buffer, state.replay->data() + state.replayOffset, n);
        state.replayOffset += n;
        return n;
    }
    const bool udp = IsUdp(ctx);
    if (udp && state.datagramTaken) return 0;  // one message, one datagram
    if (udp && state.datagrams) return TakeQueuedDatagram(ctx, buffer, length);
    for (;;) {
        const int wait = WaitBudget(ctx, ctx->recv_timeout);
        if (wait >= 0) {
            int r = WaitFor(ctx->socket, POLLIN, wait);
            if (r == 0) {
                ctx->errnum = 0;
                return 0;
            }
            if (r < 0) {
                ctx->errnum = errno;
                return 0;
            }
        }
        ssize_t n;
        if (udp) {
            socklen_t len = sizeof ctx->peer.storage;
            n = recvfrom(ctx->socket, buffer, length, 0, &ctx->peer.addr, &len);
            if (n >= 0) {
                ctx->peerlen = len;
                // The whole message is here: a crowded one is refused unparsed.
                return TakeDatagram(ctx, buffer, static_cast<std::size_t>(n));
            }
        } else {
            n = recv(ctx->socket, buffer, length, 0);
        }
        if (n >= 0) return static_cast<size_t>(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (WaitFor(ctx->socket, POLLIN, WaitBudget(ctx, kRetryReadTimeout)) >= 0) continue;
        }
        ctx->errnum = errno;
        return 0;
    }
}

int SendDatagram(soap* ctx, const char* data, size_t length)
{
    const int retries = kRetriesUnicast;
    thread_local std::minstd_rand random{std::random_device{}()};
    int delay = kFirstRetryDelayMs + static_cast<int>(random() % (kRetryDelaySpreadMs + 1));
    for (int attempt = 0; attempt <= retries; ++attempt) {
        ssize_t n =
            sendto(ctx->socket, data, length, MSG_NOSIGNAL, &ctx->peer.addr, static_cast<socklen_t>(ctx->peerlen));
        if (n >= 0) return SOAP_OK;
        if (attempt == retries) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        delay = std::min(delay * 2, kMaxRetryDelayMs);
    }
    // All tries failed: interrupted and would-block calls go on, briefly.
    for (int extra = 0; extra < kMaxExtraTries; ++extra) {
        if (errno == EINTR) {
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            WaitFor(ctx->socket, POLLOUT, ctx->send_timeout ? TimeoutMillis(ctx->send_timeout) : kPollSliceMs);
        } else {
            break;
        }
        if (sendto(ctx->socket, data, length, MSG_NOSIGNAL, &ctx->peer.addr, static_cast<socklen_t>(ctx->peerlen)) >= 0)
            return SOAP_OK;
    }
    ctx->errnum = errno;
    return SOAP_EOF;
}

int SendCallback(soap* ctx, const char* data, size_t length)
{
    if (IsUdp(ctx)) return SendDatagram(ctx, data, length);
    while (length > 0) {
        // A peer that does not read cannot hold the listener past the deadline.
        const int wait = WaitBudget(ctx, ctx->send_timeout);
        if (wait >= 0) {
            int r = WaitFor(ctx->socket, POLLOUT, wait);
            if (r <= 0) {
                ctx->errnum = r < 0 ? errno : 0;
                return SOAP_EOF;
            }
        }
        ssize_t n = send(ctx->socket, data, length, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            if ((errno == EAGAIN || errno == EWOULDBLOCK) && wait < 0 &&
                WaitFor(ctx->socket, POLLOUT, kPollSliceMs) >= 0)
                continue;
            if ((errno == EAGAIN || errno == EWOULDBLOCK) && wait >= 0) continue;
            ctx->errnum = errno;
            return SOAP_EOF;
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
    return SOAP_OK;
}

constexpr std::size_t kMaxCheckedMessage = 1 << 20;

// Blanks stray text before the parser sees it and keeps the XML of the
// message for the checks made once it is read. The bytes are the context's
// own receive buffer, which the runtime hands on as read-only.
int KeepReceivedText(soap* ctx, const char* data, size_t length)
{
    WireState& state = StateOf(ctx);
    state.receivedFilter.Feed(const_cast<char*>(data), length, state.received, kMaxCheckedMessage,
                              state.receivedTooLong);
    return SOAP_OK;
}

int CloseCallback(soap*, SOAP_SOCKET fd) { return ::close(fd) == 0 ? SOAP_OK : SOAP_EOF; }

// The step text of a socket option that could not be set in `where`.
std::string OptionStep(const char* option, const char* where)
{
    return std::string("setsockopt ") + option + " failed in " + where;
}

// Resolves a host to an IPv4 address: dotted text directly, else by lookup.
bool Resolve(soap* ctx, const std::string& host, in_addr& out)
{
    if (inet_pton(AF_INET, host.c_str(), &out) == 1) return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* result = nullptr;
    int rc = getaddrinfo(host.c_str(), nullptr, &hints, &result);
    if (rc != 0 || !result) {
        StateOf(ctx).lookupError = rc ? rc : EAI_NONAME;
        return false;
    }
    out = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr;
    freeaddrinfo(result);
    return true;
}

// Copies text into one of the context's fixed buffers, cut to fit.
void CopyText(char* buffer, std::size_t size, const std::string& text)
{
    std::snprintf(buffer, size, "%s", text.c_str());
}

int ConnectOne(soap* ctx, const std::string& endpointText)
{
    Endpoint e = ParseEndpoint(endpointText);
    CloseSocket(ctx, ctx->socket);
    ctx->imode &= ~(SOAP_IO_UDP | SOAP_ENC_PLAIN);
    ctx->omode &= ~(SOAP_IO_UDP | SOAP_ENC_PLAIN);
    if (e.udp) {
        ctx->imode |= SOAP_IO_UDP | SOAP_ENC_PLAIN;
        ctx->omode |= SOAP_IO_UDP | SOAP_ENC_PLAIN;
    }
    CopyText(ctx->endpoint, sizeof ctx->endpoint, endpointText);
    CopyText(ctx->host, sizeof ctx->host, e.host);
    CopyText(ctx->path, sizeof ctx->path, e.path);
    ctx->port = e.port;
    StateOf(ctx).listener = false;

    int fd = socket(AF_INET, e.udp ? SOCK_DGRAM : SOCK_STREAM, 0);
    if (fd < 0) return SetTransportError(ctx, "socket failed in tcp_connect()", errno, false);
    ctx->socket = fd;
    if (const char* failed = SetSocketOptions(fd, !e.udp))
        return SetTransportError(ctx, OptionStep(failed, "tcp_connect()").c_str(), errno, false);
    if (e.udp) {
        // A bridge listener binds this socket's port too.
        int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    if (ctx->client_addr && *ctx->client_addr) {
        // The toolkit's client address: the message leaves from it.
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (inet_pton(AF_INET, ctx->client_addr, &local.sin_addr) != 1 ||
            ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
            return SetTransportError(ctx, "bind failed in tcp_connect()", errno, false);
    }

    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<uint16_t>(e.port));
    if (!Resolve(ctx, e.host, peer.sin_addr))
        return SetTransportError(ctx, "get host by name failed in tcp_connect()", 0, false);
    std::memcpy(&ctx->peer.in, &peer, sizeof peer);
    ctx->peerlen = sizeof peer;
    if (e.udp) return SOAP_OK;

    int flags = fcntl(fd, F_GETFL);
    if (ctx->connect_timeout) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
        if (!(ctx->connect_timeout && errno == EINPROGRESS))
            return SetTransportError(ctx, "connect failed in tcp_connect()", errno, false);
        int r = WaitFor(fd, POLLOUT, TimeoutMillis(ctx->connect_timeout));
        int pending = 0;
        socklen_t len = sizeof pending;
        if (r <= 0) return SetTransportError(ctx, "connect failed in tcp_connect()", r < 0 ? errno : 0, false);
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &len);
        if (pending) return SetTransportError(ctx, "connect failed in tcp_connect()", pending, false);
    }
    fcntl(fd, F_SETFL, flags);
    return SOAP_OK;
}

std::string HttpRequestHeader(soap* ctx, std::size_t contentLength)
{
    std::string h = "POST " + std::string(ctx->path) + " HTTP/1.1\r\n";
    h += "Host: " + std::string(ctx->host) + ':' + std::to_string(ctx->port) + "\r\n";
    h += "User-Agent: gSOAP/2.7\r\n";
    h += "Content-Type: application/soap+xml; charset=utf-8";
    if (ctx->action && *ctx->action) h += "; action=\"" + std::string(ctx->action) + "\"";
    h += "\r\nContent-Length: " + std::to_string(contentLength) + "\r\n";
    h += "Connection: close\r\n\r\n";
    return h;
}

}  // namespace

bool IsUdp(const soap* ctx) { return (ctx->imode & SOAP_IO_UDP) != 0; }

const char* SetSocketOptions(int fd, bool tcp)
{
    int size = kSocketBufferSize, on = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size)) return "SO_SNDBUF";
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size)) return "SO_RCVBUF";
    if (tcp && setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on)) return "TCP_NODELAY";
    return nullptr;
}

void PrepareContext(soap* ctx, TransportMode mode)
{
    InstallNamespaceTable(ctx);
    StateOf(ctx);
    ctx->imode &= ~(SOAP_IO_UDP | SOAP_ENC_PLAIN);
    ctx->omode &= ~(SOAP_IO_UDP | SOAP_ENC_PLAIN);
    if (mode == TransportMode::Udp) {
        ctx->imode |= SOAP_IO_UDP | SOAP_ENC_PLAIN;
        ctx->omode |= SOAP_IO_UDP | SOAP_ENC_PLAIN;
    }
    // Literal XML only: no SOAP-encoded id/href references to resolve per message.
    ctx->imode |= SOAP_XML_TREE;
    ctx->mode = ctx->imode;
    ctx->frecv = ReceiveCallback;
    ctx->fsend = SendCallback;
    ctx->fclosesocket = CloseCallback;
    ctx->fpreparerecv = KeepReceivedText;
    ctx->fget = RefuseGet;
    ctx->fput = RefusePut;
    ctx->fdel = RefuseDelete;
    ctx->fhead = RefuseHead;
    ctx->fpatch = RefuseOther;
    ctx->fopt = RefuseOther;
    ctx->keep_alive = 0;
}

int Connect(soap* ctx, const char* endpoints, const char* action)
{
    int rc = SOAP_TCP_ERROR;
    for (const std::string& one : SplitEndpoints(endpoints ? endpoints : "")) {
        ctx->error = SOAP_OK;
        rc = ConnectOne(ctx, one);
        if (rc != SOAP_TCP_ERROR) break;
    }
    if (rc == SOAP_OK) ctx->action = action ? soap_strdup(ctx, action) : nullptr;
    return ctx->error = rc;
}

int SendMessage(soap* ctx, const BodyWriter& body)
{
    CountingOutput counter;
    if (int rc = WriteEnvelope(ctx, counter, body)) return ctx->error = rc;
    if (IsUdp(ctx) && counter.count > kMaxUdpMessage) return ctx->error = SOAP_UDP_ERROR;

    StringOutput message;
    message.text.reserve(counter.count);
    if (int rc = WriteEnvelope(ctx, message, body)) return ctx->error = rc;
    std::string bytes = IsUdp(ctx) ? std::move(message.text) : HttpRequestHeader(ctx, counter.count) + message.text;
    return ctx->error = SendBytes(ctx, bytes);
}

int SendBytes(soap* ctx, std::string_view bytes)
{
    if (!soap_valid_socket(ctx->socket)) return SetTransportError(ctx, "socket failed in tcp_connect()", EBADF, false);
    return ctx->fsend(ctx, bytes.data(), bytes.size());
}

int BindSourcePort(soap* ctx, const std::vector<std::uint16_t>& ports)
{
    if (!soap_valid_socket(ctx->socket)) return 0;
    int off = 0, on = 1;
    // Without address reuse the bind fails on a port another run holds, even
    // one that shares it with its listener; with it, both would get the port.
    setsockopt(ctx->socket, SOL_SOCKET, SO_REUSEADDR, &off, sizeof off);
    int bound = 0;
    for (std::uint16_t port : ports) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        if (::bind(ctx->socket, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0) {
            bound = port;
            break;
        }
        if (errno != EADDRINUSE && errno != EACCES) break;
    }
    setsockopt(ctx->socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    return bound;
}

int SetMulticastOptions(soap* ctx, const char* interfaceAddress, int ttl)
{
    int value = ttl;
    in_addr iface{};
    iface.s_addr = interfaceAddress ? inet_addr(interfaceAddress) : INADDR_NONE;
    if (setsockopt(ctx->socket, IPPROTO_IP, IP_MULTICAST_TTL, &value, sizeof value) ||
        setsockopt(ctx->socket, IPPROTO_IP, IP_MULTICAST_IF, &iface, sizeof iface)) {
        if (errno != 0) {
            ctx->errnum = errno;
            return ctx->error = SOAP_FAULT;
        }
    }
    return SOAP_OK;
}

SOAP_SOCKET Bind(soap* ctx, const char* host, int port, int backlog)
{
    WireState& state = StateOf(ctx);
    state.listener = true;
    CloseSocket(ctx, ctx->master);
    ctx->socket = SOAP_INVALID_SOCKET;
    const bool udp = IsUdp(ctx);
    auto fail = [ctx](const char* step, int err) {
        SetTransportError(ctx, step, err, true);
        CloseSocket(ctx, ctx->master);
        if (IsUdp(ctx)) ctx->socket = SOAP_INVALID_SOCKET;
        return SOAP_INVALID_SOCKET;
    };

    int fd = socket(AF_INET, udp ? SOCK_DGRAM : SOCK_STREAM, 0);
    if (fd < 0) return fail("socket failed in soap_bind()", errno);
    ctx->master = fd;
    if (udp) ctx->socket = fd;
    if (const char* failed = SetSocketOptions(fd, !udp)) return fail(OptionStep(failed, "soap_bind()").c_str(), errno);

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (host && *host && !Resolve(ctx, host, address.sin_addr))
        return fail("get host by name failed in soap_bind()", 0);
    int on = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on)) return fail("listen failed in setsockopt()", errno);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address))
        return fail("bind failed in soap_bind()", errno);
    if (!udp) {
        if (listen(fd, backlog)) return fail("listen failed in soap_bind()", errno);
        return fd;
    }
    // The membership follows the bound interface, not the routing table: on a
    // network without a gateway "any interface" has no route to the group and
    // the join fails. The answers this socket exists for are unicast, so a
    // failed join leaves it listening all the same.
    ip_mreq group{};
    group.imr_multiaddr.s_addr = inet_addr(kDiscoveryGroup);
    group.imr_interface.s_addr =
        IN_MULTICAST(ntohl(address.sin_addr.s_addr)) ? htonl(INADDR_ANY) : address.sin_addr.s_addr;
    setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group);
    return fd;
}

SOAP_SOCKET Accept(soap* ctx)
{
    if (IsUdp(ctx)) {
        ctx->socket = ctx->master;
        return ctx->socket;
    }
    ctx->socket = SOAP_INVALID_SOCKET;
    if (!soap_valid_socket(ctx->master)) {
        SetTransportError(ctx, "no master socket in soap_accept()", 0, true);
        return SOAP_INVALID_SOCKET;
    }
    if (ctx->accept_timeout || ctx->send_timeout || ctx->recv_timeout) {
        for (;;) {
            int millis = ctx->accept_timeout ? TimeoutMillis(ctx->accept_timeout) : kAcceptSliceMs;
            int r = WaitFor(ctx->master, POLLIN, millis);
            if (r > 0) break;
            if (r < 0) {
                SetTransportError(ctx, "select failed in soap_poll()", errno, true);
                return SOAP_INVALID_SOCKET;
            }
            if (ctx->accept_timeout) {
                SetTransportError(ctx, "accept failed in soap_accept()", 0, true);
                StateOf(ctx).failureReason = "Timeout";
                return SOAP_INVALID_SOCKET;
            }
        }
    }
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    int fd;
    do {
        fd = ::accept(ctx->master, reinterpret_cast<sockaddr*>(&peer), &len);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        SetTransportError(ctx, "accept failed in soap_accept()", errno, true);
        return SOAP_INVALID_SOCKET;
    }
    if (const char* failed = SetSocketOptions(fd, true)) {
        int err = errno;
        ::close(fd);
        SetTransportError(ctx, OptionStep(failed, "soap_accept()").c_str(), err, true);
        return SOAP_INVALID_SOCKET;
    }
    std::memcpy(&ctx->peer.storage, &peer, sizeof peer);
    ctx->peerlen = len;
    ctx->socket = fd;
    ctx->keep_alive = 0;
    return fd;
}

int CloseExchange(soap* ctx)
{
    // Keep-alive is off: every TCP exchange ends with its connection.
    if (!IsUdp(ctx)) CloseSocket(ctx, ctx->socket);
    return SOAP_OK;
}

std::string PeerAddress(const soap* ctx)
{
    if (ctx->peerlen < sizeof(sockaddr_in) || ctx->peer.addr.sa_family != AF_INET) return {};
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &ctx->peer.in.sin_addr, text, sizeof text);
    return text;
}

int LocalPort(const soap* ctx)
{
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (!soap_valid_socket(ctx->socket) || getsockname(ctx->socket, reinterpret_cast<sockaddr*>(&local), &len))
        return -1;
    return ntohs(local.sin_port);
}

std::string LocalAddress(const soap* ctx)
{
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (!soap_valid_socket(ctx->socket) || getsockname(ctx->socket, reinterpret_cast<sockaddr*>(&local), &len) ||
        local.sin_family != AF_INET)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
    return text;
}

}  // namespace signseek::wire