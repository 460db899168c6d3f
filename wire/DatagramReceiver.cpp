#include "wire/DatagramReceiver.h"

#include "wire/Transport.h"
#include "wire/WireState.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace signseek::wire {
namespace {

// What a queued datagram costs beyond its bytes.
constexpr std::size_t kQueueEntryCost = sizeof(Datagram);

}  // namespace

int GrowReceiveBuffer(int fd, int bytes)
{
    // Forcing needs network administration rights; without them the plain
    // option gives as much as net.core.rmem_max allows.
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    int granted = 0;
    socklen_t length = sizeof granted;
    if (getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &length) != 0) return -1;
    return granted;
}

DatagramReceiver::DatagramReceiver(soap* ctx, std::size_t maxQueuedBytes)
    : m_ctx(ctx), m_fd(ctx->master), m_maxQueuedBytes(maxQueuedBytes)
{
    m_receiveBuffer = GrowReceiveBuffer(m_fd, kBurstReceiveBuffer);
    m_wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    StateOf(ctx).datagrams = this;
    // Without a way to end its wait the thread cannot be started; the
    // context then reads the socket itself.
    if (m_wake < 0) {
        m_stopping = true;
        StateOf(ctx).datagrams = nullptr;
        return;
    }
    m_thread = std::thread([this] { Read(); });
}

DatagramReceiver::~DatagramReceiver()
{
    Stop();
    StateOf(m_ctx).datagrams = nullptr;
    if (m_wake >= 0) ::close(m_wake);
}

void DatagramReceiver::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_room.notify_all();
    m_arrived.notify_all();
    if (m_wake >= 0) {
        const std::uint64_t one = 1;
        (void)!::write(m_wake, &one, sizeof one);
    }
    if (m_thread.joinable()) m_thread.join();
}

std::optional<Datagram> DatagramReceiver::Take(int millis)
{
    std::unique_lock lock(m_mutex);
    auto ready = [this] { return !m_queue.empty() || m_stopping; };
    if (millis < 0)
        m_arrived.wait(lock, ready);
    else
        m_arrived.wait_for(lock, std::chrono::milliseconds(millis), ready);
    if (m_queue.empty()) return std::nullopt;
    Datagram next = std::move(m_queue.front());
    m_queue.pop_front();
    m_queuedBytes -= next.bytes.size() + kQueueEntryCost;
    lock.unlock();
    m_room.notify_one();
    return next;
}

bool DatagramReceiver::Empty()
{
    std::lock_guard lock(m_mutex);
    return m_queue.empty();
}

bool DatagramReceiver::WaitForRoom()
{
    std::unique_lock lock(m_mutex);
    m_room.wait(lock, [this] { return m_queuedBytes < m_maxQueuedBytes || m_stopping; });
    return !m_stopping;
}

void DatagramReceiver::Read()
{
    std::string buffer(kMaxUdpMessage, '\0');
    pollfd waits[2] = {{m_fd, POLLIN, 0}, {m_wake, POLLIN, 0}};
    while (WaitForRoom()) {
        int ready = poll(waits, 2, -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || waits[1].revents || (waits[0].revents & POLLNVAL)) return;
        DrainSocket(buffer);
    }
}

// Queues what the socket holds, as long as the queue has room.
void DatagramReceiver::DrainSocket(std::string& buffer)
{
    for (;;) {
        Datagram d;
        d.peerLength = sizeof d.peer;
        ssize_t n = recvfrom(m_fd, buffer.data(), buffer.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&d.peer),
                             &d.peerLength);
        if (n < 0 && errno == EINTR) continue;
        // Would block: all read. A pending socket error is reported once and
        // cleared; the next wait says whether more came.
        if (n < 0) return;
        d.bytes.assign(buffer.data(), static_cast<std::size_t>(n));
        bool full;
        {
            std::lock_guard lock(m_mutex);
            m_queuedBytes += d.bytes.size() + kQueueEntryCost;
            m_queue.push_back(std::move(d));
            full = m_queuedBytes >= m_maxQueuedBytes || m_stopping;
        }
        m_arrived.notify_one();
        if (full) return;
    }
}

}  // namespace signseek::wire