#include "settings/AddressChangeMonitor.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

namespace signseek {

namespace {

// Changes arriving this close together are reported as one.
constexpr int kCoalesceMs = 20;
// ...but a steady stream of changes is still reported this often.
constexpr auto kLongestBurst = std::chrono::milliseconds(200);

class NetlinkAddressChanges : public AddressChangeSource {
public:
    NetlinkAddressChanges()
    {
        m_stop = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (m_stop < 0) {
            m_error = errno;
            return;
        }
        m_socket = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
        if (m_socket < 0) {
            m_error = errno;
            return;
        }
        sockaddr_nl local{};
        local.nl_family = AF_NETLINK;
        local.nl_groups = RTMGRP_IPV4_IFADDR | RTMGRP_LINK;
        if (::bind(m_socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            m_error = errno;
            ::close(m_socket);
            m_socket = -1;
        }
    }

    ~NetlinkAddressChanges() override
    {
        if (m_socket >= 0) ::close(m_socket);
        if (m_stop >= 0) ::close(m_stop);
    }

    int Error() const override { return m_error; }

    bool WaitForChange() override
    {
        for (;;) {
            Wake wake = WaitReadable(-1);
            if (wake == Wake::Stop) return false;
            if (wake != Wake::Data) continue;
            bool changed = Drain();
            // Let a burst (an address and its routes, a link and its
            // addresses) settle into one report.
            const auto deadline = std::chrono::steady_clock::now() + kLongestBurst;
            while (std::chrono::steady_clock::now() < deadline) {
                wake = WaitReadable(kCoalesceMs);
                if (wake == Wake::Stop) return false;
                if (wake != Wake::Data) break;
                changed = Drain() || changed;
            }
            if (changed) return true;
        }
    }

    void Stop() override
    {
        if (m_stop < 0) return;
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_stop, &one, sizeof one);
    }

private:
    enum class Wake { Data, Stop, Timeout };

    Wake WaitReadable(int timeoutMs)
    {
        // Without the stop event there is nothing to wait for safely.
        if (m_stop < 0) return Wake::Stop;
        pollfd fds[2] = {{m_stop, POLLIN, 0}, {m_socket, POLLIN, 0}};
        for (;;) {
            // A failed subscription leaves only the stop to wait for.
            int n = ::poll(fds, m_socket >= 0 ? 2 : 1, timeoutMs);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return Wake::Stop;
            if (n == 0) return Wake::Timeout;
            if (fds[0].revents != 0) return Wake::Stop;
            // POLLERR too: an overrun is reported as an error to recv.
            if (fds[1].revents & (POLLIN | POLLERR)) return Wake::Data;
            // A socket error must not spin the loop: give the subscription
            // up and wait for the stop alone.
            ::close(m_socket);
            m_socket = -1;
            return Wake::Timeout;
        }
    }

    // Reads everything queued; true when it held an address or link change.
    bool Drain()
    {
        bool changed = false;
        alignas(nlmsghdr) char buffer[16384];
        for (;;) {
            if (m_socket < 0) return changed;
            ssize_t n = ::recv(m_socket, buffer, sizeof buffer, 0);
            if (n < 0) {
                if (errno == EINTR) continue;
                // The kernel dropped messages for us: something changed.
                if (errno == ENOBUFS) return true;
                if (errno != EAGAIN && errno != EWOULDBLOCK) {
                    // Broken for good: wait for the stop alone, not spin.
                    ::close(m_socket);
                    m_socket = -1;
                }
                return changed;
            }
            if (n == 0) return changed;
            int length = static_cast<int>(n);
            for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, length); h = NLMSG_NEXT(h, length)) {
                switch (h->nlmsg_type) {
                case RTM_NEWADDR:
                case RTM_DELADDR:
                case RTM_NEWLINK:
                case RTM_DELLINK: changed = true; break;
                default: break;
                }
            }
        }
    }

    int m_error = 0;
    int m_stop = -1;
    int m_socket = -1;
};

}  // namespace

std::unique_ptr<AddressChangeSource> CreateAddressChangeSource() { return std::make_unique<NetlinkAddressChanges>(); }

}  // namespace signseek
