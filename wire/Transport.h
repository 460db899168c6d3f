#pragma once
// SOAP over UDP and HTTP: the sockets of a sending or listening context.

#include "wire/Envelope.h"

#include <stdsoap2.h>

#include <cstdint>
#include <string>
#include <vector>

namespace signseek::wire {

inline constexpr std::size_t kMaxUdpMessage = 65536;
inline constexpr int kSocketBufferSize = 65536;
inline constexpr char kDiscoveryGroup[] = "239.255.255.250";

enum class TransportMode { Udp, Tcp };

// Installs the namespace table, the socket callbacks and the refusal of
// every HTTP method but POST. Every context of the system goes through it.
void PrepareContext(soap* ctx, TransportMode mode);

// Prepares the context to send one message to an endpoint (several, blank
// separated, are tried in turn). With the context's client_addr set (an IPv4
// address), the message leaves from that address. Returns 0 or an error code.
int Connect(soap* ctx, const char* endpoints, const char* action);

// Binds the context's UDP socket, made by Connect and not yet used, to the
// first of `ports` that no other socket holds, then turns address reuse on
// so the listener of the same run can bind that port too. Returns the port,
// or 0 when every one is taken (the send then takes one from the system).
int BindSourcePort(soap* ctx, const std::vector<std::uint16_t>& ports);

// Counting pass, the UDP size check, then the output pass and the send.
int SendMessage(soap* ctx, const BodyWriter& body);

// IP multicast TTL, then the outgoing interface; 12 when either fails.
int SetMulticastOptions(soap* ctx, const char* interfaceAddress, int ttl);

// The listener's master socket. UDP listeners also join the discovery group
// on the interface of `host` (any interface for no host or a group address);
// a join that fails does not fail the bind. Returns the socket, or
// SOAP_INVALID_SOCKET with the error set.
SOAP_SOCKET Bind(soap* ctx, const char* host, int port, int backlog);

// Waits for the next exchange; SOAP_INVALID_SOCKET on failure.
SOAP_SOCKET Accept(soap* ctx);

// Ends the current exchange (closes a TCP connection; a UDP socket stays).
int CloseExchange(soap* ctx);

// Dotted IPv4 text of the peer, empty when the peer is not IPv4.
std::string PeerAddress(const soap* ctx);

// Local port of the context's current socket, or -1.
int LocalPort(const soap* ctx);

// Dotted IPv4 text of the local address the current socket's peer reached,
// empty when it cannot be read.
std::string LocalAddress(const soap* ctx);

bool IsUdp(const soap* ctx);

// The options every socket of the system gets: both buffers at
// kSocketBufferSize and, for TCP, no delay. Returns the name of the first
// option that could not be set, or null.
const char* SetSocketOptions(int fd, bool tcp);

// Writes raw bytes to the current connection or datagram peer.
int SendBytes(soap* ctx, std::string_view bytes);

}  // namespace signseek::wire