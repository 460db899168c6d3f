// Sending over UDP: size limit, multicast options, the socket's life, and the
// error texts of transport failures.

#include "WireTestSupport.h"
#include "wire/ErrorTable.h"
#include "wire/MessageHeader.h"
#include "wire/ProbeSender.h"
#include "wire/WireState.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace signseek {

namespace {

disc__ProbeType ProbeWith(std::string& scopes, disc__ScopesType& record)
{
    record.__item = scopes.data();
    disc__ProbeType probe;
    probe.Scopes = &record;
    return probe;
}

std::string GroupEndpoint(int port) { return "soap.udp://239.255.255.250:" + std::to_string(port); }

int ReservedPort()
{
    int port = 0;
    close(wiretest::LoopbackUdp(port));
    return port;
}

TEST(UdpSend, MessageLargerThanADatagramFailsBeforeAnythingIsSent)
{
    int port = ReservedPort();
    int listener = wiretest::GroupListener(port);
    wire::ProbeProxy proxy;
    wire::SetProbeHeader(&proxy, "id");
    std::string scopes(70000, 's');
    disc__ScopesType record;
    disc__ProbeType probe = ProbeWith(scopes, record);
    EXPECT_EQ(SOAP_UDP_ERROR, wire::SendProbeMessage(&proxy, GroupEndpoint(port).c_str(), probe, "127.0.0.1", 1));
    EXPECT_EQ("Message too large for UDP packet", wire::DescribeError(&proxy).reason);
    EXPECT_EQ("", wiretest::ReadDatagram(listener, 300));

    // Just below the limit still goes out as one datagram.
    wire::SetProbeHeader(&proxy, "id");
    scopes.assign(64000, 's');
    record.__item = scopes.data();
    EXPECT_EQ(0, wire::SendProbeMessage(&proxy, GroupEndpoint(port).c_str(), probe, "127.0.0.1", 1));
    EXPECT_GT(wiretest::ReadDatagram(listener, 2000).size(), 64000u);
    close(listener);
}

TEST(UdpSend, EndpointWithoutPortSendsToPort80)
{
    int listener = wiretest::GroupListener(80);
    wire::ProbeProxy proxy;
    wire::SetProbeHeader(&proxy, "id");
    std::string scopes = "s";
    disc__ScopesType record;
    disc__ProbeType probe = ProbeWith(scopes, record);
    EXPECT_EQ(0, wire::SendProbeMessage(&proxy, "soap.udp://239.255.255.250", probe, "127.0.0.1", 1));
    EXPECT_NE("", wiretest::ReadDatagram(listener, 2000));
    close(listener);
}

TEST(UdpSend, FailedMulticastOptionLeavesTheSocketOpenAndSendsNothing)
{
    int port = ReservedPort();
    int listener = wiretest::GroupListener(port);
    wire::ProbeProxy proxy;
    wire::SetProbeHeader(&proxy, "id");
    std::string scopes = "s";
    disc__ScopesType record;
    disc__ProbeType probe = ProbeWith(scopes, record);
    // 10.9.9.9 is no address of this namespace: the interface option fails.
    EXPECT_EQ(SOAP_FAULT, wire::SendProbeMessage(&proxy, GroupEndpoint(port).c_str(), probe, "10.9.9.9", 1));
    EXPECT_NE(0, proxy.errnum);
    EXPECT_TRUE(soap_valid_socket(proxy.socket));
    EXPECT_EQ("", wiretest::ReadDatagram(listener, 300));

    // A TTL the stack refuses fails the same way.
    EXPECT_EQ(SOAP_FAULT, wire::SendProbeMessage(&proxy, GroupEndpoint(port).c_str(), probe, "127.0.0.1", 1000));

    // The next probe opens a new socket and goes out.
    EXPECT_EQ(0, wire::SendProbeMessage(&proxy, GroupEndpoint(port).c_str(), probe, "127.0.0.1", 1));
    sockaddr_in from{};
    EXPECT_NE("", wiretest::ReadDatagram(listener, 2000, &from));
    EXPECT_EQ(wire::LocalPort(&proxy), ntohs(from.sin_port));
    close(listener);
}

TEST(UdpSend, SocketStaysOpenAfterAProbeAndAListenerCanShareItsPort)
{
    wire::ProbeProxy proxy;
    wire::SetProbeHeader(&proxy, "id");
    std::string scopes = "s";
    disc__ScopesType record;
    disc__ProbeType probe = ProbeWith(scopes, record);
    ASSERT_EQ(0, wire::SendProbeMessage(&proxy, GroupEndpoint(ReservedPort()).c_str(), probe, "127.0.0.1", 1));
    int port = wire::LocalPort(&proxy);
    ASSERT_GT(port, 0);
    wiretest::RecordingService listener(wire::TransportMode::Udp);
    EXPECT_TRUE(soap_valid_socket(wire::Bind(&listener, "127.0.0.1", port, 100)));
}

TEST(UdpSend, FailedDatagramIsTriedThreeMoreTimesWithGrowingDelays)
{
    wire::ProbeProxy proxy;
    ASSERT_EQ(0, wire::Connect(&proxy, "soap.udp://127.0.0.1:9", nullptr));
    shutdown(proxy.socket, SHUT_WR);  // every send now fails with EPIPE
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SOAP_EOF, wire::SendMessage(&proxy, nullptr));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(EPIPE, proxy.errnum);
    // Delays start at 50..250 ms and double, capped at 500: 350 ms at least, 1250 ms at most.
    EXPECT_GE(elapsed, std::chrono::milliseconds(340));
    EXPECT_LE(elapsed, std::chrono::milliseconds(1600));
    EXPECT_EQ("End of file or no input: Broken pipe", wire::DescribeError(&proxy).reason);
}

TEST(TransportErrors, ConnectFailureAndLookupTexts)
{
    wiretest::RecordingService ctx(wire::TransportMode::Tcp);
    int port = wiretest::FreeTcpPort();
    std::string endpoint = "http://127.0.0.1:" + std::to_string(port) + "/";
    EXPECT_EQ(SOAP_TCP_ERROR, wire::Connect(&ctx, endpoint.c_str(), nullptr));
    wire::FaultDescription f = wire::DescribeError(&ctx);
    EXPECT_EQ("b:Sender", f.code);
    EXPECT_EQ("connect failed in tcp_connect()", f.detail);
    EXPECT_EQ("Connection refused", f.reason);

    EXPECT_EQ(SOAP_TCP_ERROR, wire::Connect(&ctx, "http://no-such-host.invalid/", nullptr));
    f = wire::DescribeError(&ctx);
    EXPECT_EQ("get host by name failed in tcp_connect()", f.detail);
    EXPECT_TRUE(f.reason == "Host not found" || f.reason == "Try Again") << f.reason;
}

TEST(TransportErrors, EndOfInputTextNamesTheTimeouts)
{
    wiretest::RecordingService ctx(wire::TransportMode::Udp);
    ctx.error = SOAP_EOF;
    ctx.errnum = 0;
    ctx.recv_timeout = 1;
    EXPECT_EQ("End of file or no input: Operation interrupted or timed out after 1s receive delay",
              wire::DescribeError(&ctx).reason);
    ctx.send_timeout = 2;
    EXPECT_EQ("End of file or no input: Operation interrupted or timed out after 2s send or 1s receive delay",
              wire::DescribeError(&ctx).reason);
    ctx.recv_timeout = 0;
    EXPECT_EQ("End of file or no input: Operation interrupted or timed out", wire::DescribeError(&ctx).reason);
}

TEST(TransportErrors, TableTextsAndCodes)
{
    wiretest::RecordingService ctx(wire::TransportMode::Udp);
    struct Row {
        int code;
        const char* faultCode;
        const char* reason;
    } rows[] = {
        {SOAP_CLI_FAULT, "b:Sender", "Client fault"},
        {SOAP_SYNTAX_ERROR, "b:Sender", "Well-formedness violation"},
        {SOAP_NO_TAG, "b:Sender", "No XML element tag"},
        {15, "b:Sender", "HTTP GET method not implemented"},
        {16, "b:Sender", "HTTP PUT method not implemented"},
        {17, "b:Sender", "Error 17"},
        {18, "b:Sender", "HTTP HEAD method not implemented"},
        {19, "b:Sender", "HTTP method not implemented"},
        {20, "b:Sender", "Out of memory"},
        {22, "b:Sender", "Header line too long"},
        {27, "b:Sender", "Message too large for UDP packet"},
        {31, "b:Sender", "Zlib/gzip not installed for (de)compression: recompile with -DWITH_GZIP"},
        {39, "b:VersionMismatch", "Invalid SOAP message or SOAP version mismatch"},
        {41, "b:DataEncodingUnknown", "Unsupported SOAP data encoding"},
        {47, "b:Sender", "Maximum number of open connections was reached"},
        {404, "b:Sender", "HTTP Error: 404 Not Found"},
        {1000, "b:Sender", "Stopped: no response sent"},
        {77, "b:Sender", "Error 77"},
    };
    for (const Row& row : rows) {
        ctx.error = row.code;
        wire::FaultDescription f = wire::DescribeError(&ctx);
        EXPECT_EQ(row.faultCode, f.code) << row.code;
        EXPECT_EQ(row.reason, f.reason) << row.code;
    }
    snprintf(ctx.tag, sizeof ctx.tag, "%s", "h:Types");
    ctx.error = SOAP_TAG_MISMATCH;
    EXPECT_EQ("Validation constraint violation: tag name or namespace mismatch in element <h:Types>",
              wire::DescribeError(&ctx).reason);
    snprintf(ctx.type, sizeof ctx.type, "%s", "xsd:string");
    ctx.error = SOAP_TYPE;
    EXPECT_EQ("Validation constraint violation: data type mismatch xsd:string in element <h:Types>",
              wire::DescribeError(&ctx).reason);
    wire::StateOf(&ctx).version = 1;
    ctx.error = SOAP_CLI_FAULT;
    EXPECT_EQ("b:Client", wire::DescribeError(&ctx).code);
}

}  // namespace

}  // namespace signseek
