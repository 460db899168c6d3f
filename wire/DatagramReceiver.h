#pragma once
// A UDP listener's socket read on a thread of its own: datagrams are taken
// off the socket as soon as they arrive and wait in a bounded queue until the
// listener serves them, so a burst of answers does not overflow the socket
// while earlier ones are parsed. The socket's receive buffer is enlarged as
// far as the system allows, to ride out the moments the thread is not
// running.

#include <stdsoap2.h>

#include <sys/socket.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace signseek::wire {

// What a listener socket asks the kernel to hold between two reads. Beyond
// net.core.rmem_max only a process allowed to administer the network gets
// it (SO_RCVBUFFORCE); others get rmem_max.
inline constexpr int kBurstReceiveBuffer = 4 << 20;
// Datagram bytes the queue holds at most; beyond that they wait in the socket.
inline constexpr std::size_t kMaxQueuedBytes = 16u << 20;

struct Datagram {
    std::string bytes;
    sockaddr_storage peer{};
    socklen_t peerLength = 0;
};

// Asks for `bytes` of receive buffer (forced when permitted) and returns what
// the kernel granted, as it reports it (the kernel doubles the value asked
// for, for its own bookkeeping); -1 when it cannot be read.
int GrowReceiveBuffer(int fd, int bytes);

class DatagramReceiver {
public:
    // Starts reading the bound UDP socket of `ctx`; from now until this
    // object goes, the context's receives take their datagrams from here.
    explicit DatagramReceiver(soap* ctx, std::size_t maxQueuedBytes = kMaxQueuedBytes);
    ~DatagramReceiver();
    DatagramReceiver(const DatagramReceiver&) = delete;
    DatagramReceiver& operator=(const DatagramReceiver&) = delete;

    // Reads no more from the socket; what is queued can still be taken.
    void Stop();

    // The next datagram, waiting at most `millis` (below 0: without limit)
    // while the queue is empty and reading goes on; nothing on time-out, or
    // at once when stopped and empty.
    std::optional<Datagram> Take(int millis);

    bool Empty();
    // The receive buffer the kernel granted the socket, in bytes; -1 unknown.
    int ReceiveBuffer() const { return m_receiveBuffer; }

private:
    void Read();
    bool WaitForRoom();
    void DrainSocket(std::string& buffer);

    soap* m_ctx;
    const int m_fd;
    const std::size_t m_maxQueuedBytes;
    int m_receiveBuffer = -1;
    int m_wake = -1;  // eventfd that ends the reading thread's wait

    std::mutex m_mutex;
    std::condition_variable m_arrived;  // a datagram was queued, or reading stopped
    std::condition_variable m_room;     // the queue has room again, or reading stops
    std::deque<Datagram> m_queue;
    std::size_t m_queuedBytes = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace signseek::wire