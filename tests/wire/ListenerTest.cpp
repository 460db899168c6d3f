// The two listeners over loopback: HTTP behaviour of the device listener,
// faults on both, time-outs, and the ActionNotSupported routing.

#include "WireTestSupport.h"
#include "wire/DatagramReceiver.h"
#include "wire/EnvelopeReader.h"
#include "wire/ErrorTable.h"
#include "wire/Transport.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace signseek {

namespace {

using wiretest::Envelope;
using wiretest::HttpExchange;
using wiretest::ProbeMatch;

const std::string kProbeMatches = Envelope("", "<d:ProbeMatches>" + ProbeMatch("urn:dev") + "</d:ProbeMatches>");

// A fault datagram is never larger than the datagram that drew it: these
// tests pad theirs with trailing blanks, which nothing reads.
std::string Padded(const std::string& message) { return message + std::string(2000, ' '); }

std::string Post(const std::string& body, const std::string& extraHeaders = "")
{
    return "POST /Discovery HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/soap+xml; charset=utf-8\r\n" +
           extraHeaders + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

struct HttpListener : ::testing::Test {
    HttpListener()
    {
        wire::EnableAddressing(&service);
        service.accept_timeout = 1;
        service.recv_timeout = 1;
        port = wiretest::FreeTcpPort();
        EXPECT_TRUE(soap_valid_socket(wire::Bind(&service, "127.0.0.1", port, 100)));
        thread = std::make_unique<wiretest::ListenerThread>(service);
    }
    ~HttpListener() override { thread.reset(); }

    wiretest::RecordingService service{wire::TransportMode::Tcp};
    int port = 0;
    std::unique_ptr<wiretest::ListenerThread> thread;
};

TEST_F(HttpListener, ProbeMatchesGetsAnEmpty202)
{
    std::string answer = HttpExchange(port, Post(kProbeMatches));
    EXPECT_EQ("HTTP/1.1 202 Accepted\r\nServer: gSOAP/2.7\r\nContent-Type: text/xml; charset=utf-8\r\n"
              "Content-Length: 0\r\nConnection: close\r\n\r\n",
              answer);
    thread.reset();
    ASSERT_EQ(1u, service.probeMatches.size());
    EXPECT_EQ("urn:dev", service.probeMatches[0][0].address);
    EXPECT_EQ("127.0.0.1", service.peer);
}

TEST_F(HttpListener, GetAndOtherMethodsAreRefusedWithFaults)
{
    struct Case {
        const char* method;
        const char* reason;
    } cases[] = {{"GET", "HTTP GET method not implemented"},
                 {"PUT", "HTTP PUT method not implemented"},
                 {"DELETE", "Error 17"},
                 {"HEAD", "HTTP HEAD method not implemented"},
                 {"PATCH", "HTTP method not implemented"},
                 {"OPTIONS", "HTTP method not implemented"},
                 {"TRACE", "HTTP method not implemented"},
                 {"BREW", "HTTP method not implemented"}};
    for (const Case& c : cases) {
        std::string body = c.method == std::string("PUT") || c.method == std::string("PATCH") ? kProbeMatches : "";
        std::string request = std::string(c.method) +
                              " /Discovery HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(body.size()) +
                              "\r\n\r\n" + body;
        std::string answer = HttpExchange(port, request);
        EXPECT_EQ(0u, answer.find("HTTP/1.1 400 Bad Request\r\nServer: gSOAP/2.7\r\n"
                                  "Content-Type: application/soap+xml; charset=utf-8\r\n"))
            << c.method << ": " << answer;
        EXPECT_NE(std::string::npos, answer.find(std::string("<b:Text xml:lang=\"en\">") + c.reason + "</b:Text>"))
            << c.method << ": " << answer;
    }
    thread.reset();
    EXPECT_TRUE(service.probeMatches.empty());
}

TEST_F(HttpListener, ExpectContinueIsAnsweredBeforeTheBody)
{
    std::string head = "POST /Discovery HTTP/1.1\r\nHost: x\r\nContent-Type: application/soap+xml\r\n"
                       "Expect: 100-continue\r\nContent-Length: " +
                       std::to_string(kProbeMatches.size()) + "\r\n\r\n";
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to));
    send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    std::string interim;
    char buffer[256];
    pollfd p{fd, POLLIN, 0};
    while (interim.find("\r\n\r\n") == std::string::npos && poll(&p, 1, 2000) > 0) {
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        interim.append(buffer, static_cast<size_t>(n));
    }
    EXPECT_EQ("HTTP/1.1 100 Continue\r\n\r\n", interim);
    send(fd, kProbeMatches.data(), kProbeMatches.size(), MSG_NOSIGNAL);
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    EXPECT_EQ(0u, std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0).find("HTTP/1.1 202 Accepted"));
    close(fd);
}

TEST_F(HttpListener, SoapActionHeaderDecidesAndDrawsActionNotSupported)
{
    std::string answer = HttpExchange(
        port, Post(kProbeMatches, "SOAPAction: \"http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe\"\r\n"));
    EXPECT_EQ(0u, answer.find("HTTP/1.1 400 Bad Request")) << answer;
    EXPECT_NE(std::string::npos, answer.find("<b:Value>g:ActionNotSupported</b:Value>")) << answer;
    EXPECT_NE(std::string::npos,
              answer.find("<b:Detail>http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</b:Detail>"));
    // The content type's action parameter works the same way.
    answer = HttpExchange(
        port, "POST / HTTP/1.1\r\nContent-Type: application/soap+xml; action=\"urn:nothing\"\r\nContent-Length: " +
                  std::to_string(kProbeMatches.size()) + "\r\n\r\n" + kProbeMatches);
    EXPECT_NE(std::string::npos, answer.find("<b:Detail>urn:nothing</b:Detail>")) << answer;
    thread.reset();
    EXPECT_TRUE(service.probeMatches.empty());
}

TEST_F(HttpListener, AngleBracketInAHeaderLineIsNoXml)
{
    std::string answer = HttpExchange(port, Post(kProbeMatches, "X-Note: <q:x>\r\n"));
    EXPECT_EQ(0u, answer.find("HTTP/1.1 202 Accepted")) << answer;
    // The body itself is still checked.
    const std::string undeclared =
        Envelope("", "<d:ProbeMatches>" + ProbeMatch("urn:dev", "<zz:Foo>1</zz:Foo>") + "</d:ProbeMatches>");
    answer = HttpExchange(port, Post(undeclared, "X-Note: <q:x>\r\n"));
    EXPECT_NE(std::string::npos, answer.find("Well-formedness violation")) << answer;
    thread.reset();
    EXPECT_EQ(1u, service.probeMatches.size());
}

TEST_F(HttpListener, ChunkedBodyIsRead)
{
    // Stray text between the children, and chunk marks all through it.
    const std::string body =
        Envelope("", "<d:ProbeMatches>" + ProbeMatch("urn:dev", "\n  stray\n  <Height>96</Height>\n  more\n  ") +
                         "</d:ProbeMatches>");
    std::string chunked;
    for (std::size_t i = 0; i < body.size(); i += 7) {
        std::string part = body.substr(i, 7);
        char size[16];
        snprintf(size, sizeof size, "%zx\r\n", part.size());
        chunked += size + part + "\r\n";
    }
    chunked += "0\r\n\r\n";
    std::string answer = HttpExchange(
        port, "POST / HTTP/1.1\r\nContent-Type: application/soap+xml\r\nTransfer-Encoding: chunked\r\n\r\n" + chunked);
    EXPECT_EQ(0u, answer.find("HTTP/1.1 202 Accepted")) << answer;
    thread.reset();
    ASSERT_EQ(1u, service.probeMatches.size());
    const wiretest::SeenMatch& seen = service.probeMatches[0].at(0);
    EXPECT_EQ("urn:dev", seen.address);
    EXPECT_EQ(1u, seen.metadataVersion);
    EXPECT_EQ(std::vector<std::string>{"<Height>96</Height>"}, seen.extensions);
}

TEST_F(HttpListener, CompressedBodyIsRefused)
{
    std::string answer = HttpExchange(port, Post(kProbeMatches, "Content-Encoding: gzip\r\n"));
    EXPECT_NE(std::string::npos, answer.find("Zlib/gzip not installed")) << answer;
}

TEST_F(HttpListener, SenderFaultIs400AndOthers500)
{
    std::string soap11 = "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                         "<s:Body></s:Body></s:Envelope>";
    std::string answer = HttpExchange(port, Post(soap11));
    EXPECT_EQ(0u, answer.find("HTTP/1.1 500 Internal Server Error")) << answer;
    EXPECT_NE(std::string::npos, answer.find("<b:Value>b:VersionMismatch</b:Value>"));
    EXPECT_NE(std::string::npos, answer.find("xmlns:c=\"http://schemas.xmlsoap.org/soap/encoding/\""));
    answer = HttpExchange(port, Post(Envelope("", "")));
    EXPECT_EQ(0u, answer.find("HTTP/1.1 400 Bad Request")) << answer;
    EXPECT_NE(std::string::npos, answer.find("No XML element tag"));
    // After a SOAP 1.2 envelope the context declares the 1.2 encoding namespace.
    EXPECT_NE(std::string::npos, answer.find("xmlns:c=\"http://www.w3.org/2003/05/soap-encoding\""));
}

TEST_F(HttpListener, QuietLineIsNotAnsweredAndTheNextRequestIsServed)
{
    std::string partial = "POST / HTTP/1.1\r\nContent-Type: application/soap+xml\r\nContent-Length: 5000\r\n\r\n<?xml";
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ("", HttpExchange(port, partial, 3000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(0u, HttpExchange(port, Post(kProbeMatches)).find("HTTP/1.1 202 Accepted"));
}

TEST_F(HttpListener, OverlongHeaderLine)
{
    std::string answer = HttpExchange(port, Post(kProbeMatches, "X-Long: " + std::string(9000, 'x') + "\r\n"));
    EXPECT_NE(std::string::npos, answer.find("Header line too long")) << answer.substr(0, 200);
}

int Connect(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(0, connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to));
    return fd;
}

TEST_F(HttpListener, RequestsBeyondTheLimitsAreRefusedBeforeTheirBody)
{
    // Only the head is sent: the answer must come without the body.
    std::string answer = HttpExchange(port, "POST / HTTP/1.1\r\nContent-Length: 10000000000\r\n\r\n");
    EXPECT_EQ(0u, answer.find("HTTP/1.1 400 Bad Request")) << answer;
    EXPECT_NE(std::string::npos, answer.find("HTTP Error: 413 Request Entity Too Large")) << answer;
    answer = HttpExchange(port, "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n10001\r\n");
    EXPECT_NE(std::string::npos, answer.find("HTTP Error: 413")) << answer;

    std::string fields;
    for (int i = 0; i < 65; ++i) fields += "X-F" + std::to_string(i) + ": 1\r\n";
    answer = HttpExchange(port, Post(kProbeMatches, fields));
    EXPECT_NE(std::string::npos, answer.find("HTTP Error: 431")) << answer.substr(0, 300);

    // 64 KiB of body is still taken; one byte more is not.
    const std::string full = kProbeMatches + std::string(64 * 1024 - kProbeMatches.size(), ' ');
    EXPECT_EQ(0u, HttpExchange(port, Post(full)).find("HTTP/1.1 202 Accepted"));
    EXPECT_NE(std::string::npos, HttpExchange(port, Post(full + " ")).find("HTTP Error: 413"));
    thread.reset();
    EXPECT_EQ(1u, service.probeMatches.size());
}

TEST_F(HttpListener, CrowdedElementsAreRefusedUnparsed)
{
    std::string crowd;
    for (int i = 0; i < 65; ++i) crowd += " a" + std::to_string(i) + "=\"1\"";
    std::string answer = HttpExchange(
        port, Post(Envelope("", "<d:ProbeMatches" + crowd + ">" + ProbeMatch("urn:dev") + "</d:ProbeMatches>")));
    EXPECT_NE(std::string::npos, answer.find("Validation constraint violation: occurrence violation")) << answer;
    std::string declarations = Envelope("", "<d:ProbeMatches>" + ProbeMatch("urn:dev") + "</d:ProbeMatches>");
    std::string nested;
    for (int i = 0; i < 300; ++i) nested += "<e xmlns:p" + std::to_string(i) + "=\"urn:x\"></e>";
    declarations.insert(declarations.find("</d:ProbeMatches>"), nested);
    answer = HttpExchange(port, Post(declarations));
    EXPECT_NE(std::string::npos, answer.find("occurrence violation")) << answer;
    std::string elements = Envelope("", "<d:ProbeMatches>" + ProbeMatch("urn:dev") + "</d:ProbeMatches>");
    std::string many;
    for (int i = 0; i < 1100; ++i) many += "<e/>";
    elements.insert(elements.find("</d:ProbeMatches>"), many);
    answer = HttpExchange(port, Post(elements));
    EXPECT_NE(std::string::npos, answer.find("occurrence violation")) << answer;
    thread.reset();
    EXPECT_TRUE(service.probeMatches.empty());
}

TEST_F(HttpListener, ANulByteIsRefusedRatherThanCuttingTheText)
{
    const std::string match = ProbeMatch("urn:dev");
    std::string body = Envelope("", "<d:ProbeMatches>" + match + "</d:ProbeMatches>");
    body.insert(body.find("urn:dev") + 4, std::string(1, '\0'));
    std::string answer = HttpExchange(port, Post(body));
    EXPECT_EQ(0u, answer.find("HTTP/1.1 400 Bad Request")) << answer;
    EXPECT_NE(std::string::npos, answer.find("Well-formedness violation")) << answer;
    thread.reset();
    EXPECT_TRUE(service.probeMatches.empty());
}

TEST_F(HttpListener, TheReceiveTimeoutBoundsTheWholeRequest)
{
    // A byte every 200 ms keeps every single read within the receive time-out.
    int slow = Connect(port);
    const auto start = std::chrono::steady_clock::now();
    const std::string head = "POST / HTTP/1.1\r\nX-Slow: ";
    bool closed = false;
    for (std::size_t i = 0; i < 40 && !closed; ++i) {
        send(slow, &head[i % head.size()], 1, MSG_NOSIGNAL);
        pollfd p{slow, POLLIN, 0};
        char byte;
        closed = poll(&p, 1, 200) > 0 && recv(slow, &byte, 1, 0) <= 0;
    }
    EXPECT_TRUE(closed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
    close(slow);
}

TEST_F(HttpListener, IdleConnectionsDelayNobody)
{
    std::vector<int> idle;
    for (int i = 0; i < 20; ++i) idle.push_back(Connect(port));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0u, HttpExchange(port, Post(kProbeMatches)).find("HTTP/1.1 202 Accepted"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    for (int fd : idle) close(fd);
}

TEST(AcceptTimeout, EndsWithTheTimeoutFault)
{
    wiretest::RecordingService service(wire::TransportMode::Tcp);
    service.accept_timeout = 1;
    ASSERT_TRUE(soap_valid_socket(wire::Bind(&service, "127.0.0.1", wiretest::FreeTcpPort(), 100)));
    EXPECT_FALSE(soap_valid_socket(wire::Accept(&service)));
    EXPECT_EQ(SOAP_TCP_ERROR, service.error);
    wire::FaultDescription f = wire::DescribeError(&service);
    EXPECT_EQ("b:Receiver", f.code);
    EXPECT_EQ("Timeout", f.reason);
    EXPECT_EQ("accept failed in soap_accept()", f.detail);
}

TEST(AcceptTimeout, NoMasterSocket)
{
    wiretest::RecordingService service(wire::TransportMode::Tcp);
    EXPECT_FALSE(soap_valid_socket(wire::Accept(&service)));
    EXPECT_EQ("no master socket in soap_accept()", wire::DescribeError(&service).detail);
}

TEST(BindFailure, PortInUseByANonReusingSocket)
{
    int port = wiretest::FreeTcpPort();
    int holder = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a));
    listen(holder, 1);
    wiretest::RecordingService service(wire::TransportMode::Tcp);
    EXPECT_FALSE(soap_valid_socket(wire::Bind(&service, "127.0.0.1", port, 100)));
    wire::FaultDescription f = wire::DescribeError(&service);
    EXPECT_EQ("bind failed in soap_bind()", f.detail);
    EXPECT_EQ("Address already in use", f.reason);
    EXPECT_EQ("b:Receiver", f.code);
    close(holder);
}

struct UdpListener : ::testing::Test {
    UdpListener()
    {
        wire::EnableAddressing(&service);
        service.recv_timeout = 1;
        close(wiretest::LoopbackUdp(port));
        EXPECT_TRUE(soap_valid_socket(wire::Bind(&service, "127.0.0.1", port, 100)));
        client = wiretest::LoopbackUdp(clientPort);
    }
    ~UdpListener() override { close(client); }

    wiretest::RecordingService service{wire::TransportMode::Udp};
    int port = 0;
    int client = -1;
    int clientPort = 0;
};

TEST_F(UdpListener, NothingArrivingIsEndOfInputWithoutAFault)
{
    ASSERT_TRUE(soap_valid_socket(wire::Accept(&service)));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SOAP_EOF, service.ServeOne());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_TRUE(soap_valid_socket(service.socket));  // a UDP socket is never closed by an exchange
}

TEST_F(UdpListener, DatagramsAreServedAndBadOnesDrawAFaultDatagram)
{
    wiretest::ListenerThread thread(service);
    wiretest::SendDatagramTo(client, kProbeMatches, port);
    std::string soap11 = "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                         "<s:Body></s:Body></s:Envelope>";
    wiretest::SendDatagramTo(client, Padded(soap11), port);
    std::string fault = wiretest::ReadDatagram(client, 3000);
    EXPECT_EQ(0u, fault.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<b:Envelope")) << fault;
    EXPECT_NE(std::string::npos, fault.find("<b:Value>b:VersionMismatch</b:Value>"));
    EXPECT_EQ(std::string::npos, fault.find("HTTP/"));
    EXPECT_EQ("", wiretest::ReadDatagram(client, 200));  // the ProbeMatches got no answer over UDP
    wiretest::SendDatagramTo(client, kProbeMatches, port);
    for (int i = 0; i < 50 && service.probeMatches.size() < 2; ++i) usleep(20000);
    EXPECT_EQ(2u, service.probeMatches.size());
}

TEST_F(UdpListener, ActionNotSupportedRelatesToTheMessageAndGoesToAnonymous)
{
    wiretest::ListenerThread thread(service);
    std::string header = "<a:MessageID>urn:uuid:1234</a:MessageID>"
                         "<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</a:Action>";
    wiretest::SendDatagramTo(client, Padded(Envelope(header, "<d:Probe></d:Probe>")), port);
    std::string fault = wiretest::ReadDatagram(client, 3000);
    EXPECT_NE(std::string::npos, fault.find("<b:Header><g:RelatesTo>urn:uuid:1234</g:RelatesTo>"
                                            "<g:To b:mustUnderstand=\"true\">"
                                            "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</g:To>"
                                            "<g:Action b:mustUnderstand=\"true\">"
                                            "http://schemas.xmlsoap.org/ws/2004/08/addressing/fault</g:Action>"))
        << fault;
    EXPECT_NE(std::string::npos, fault.find("<b:Reason><b:Text xml:lang=\"en\">The [action] cannot be processed at "
                                            "the receiver.</b:Text></b:Reason>"));
}

TEST_F(UdpListener, ActionNotSupportedWithFromGoesBackToFrom)
{
    wiretest::ListenerThread thread(service);
    std::string header = "<a:From><a:Address>urn:sender</a:Address></a:From><a:Action>urn:x</a:Action>";
    wiretest::SendDatagramTo(client, Padded(Envelope(header, "<d:Probe></d:Probe>")), port);
    std::string fault = wiretest::ReadDatagram(client, 3000);
    EXPECT_NE(std::string::npos, fault.find("<g:To b:mustUnderstand=\"true\">urn:sender</g:To>")) << fault;
    EXPECT_EQ(std::string::npos, fault.find("RelatesTo"));
}

TEST_F(UdpListener, EmptyMessageIdIsStillRelatedToAndEmptyFaultToGetsNothing)
{
    wiretest::ListenerThread thread(service);
    std::string header = "<a:MessageID></a:MessageID><a:Action>urn:x</a:Action>";
    wiretest::SendDatagramTo(client, Padded(Envelope(header, "<d:Probe></d:Probe>")), port);
    std::string fault = wiretest::ReadDatagram(client, 3000);
    EXPECT_NE(std::string::npos, fault.find("<b:Header><g:RelatesTo></g:RelatesTo><g:To")) << fault;

    // An empty FaultTo address is an address, and one that cannot be reached:
    // no fault goes anywhere.
    header = "<a:MessageID>m2</a:MessageID><a:FaultTo><a:Address></a:Address></a:FaultTo><a:Action>urn:x</a:Action>";
    wiretest::SendDatagramTo(client, Padded(Envelope(header, "<d:Probe></d:Probe>")), port);
    EXPECT_EQ("", wiretest::ReadDatagram(client, 500));
}

TEST_F(UdpListener, FaultToNeverSendsTheFaultElsewhere)
{
    // A listener on the named FaultTo address must see nothing: the fault goes
    // back to the datagram's sender, and only names FaultTo in its header.
    int faultPort = wiretest::FreeTcpPort();
    int server = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(faultPort));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, bind(server, reinterpret_cast<sockaddr*>(&a), sizeof a));
    listen(server, 1);

    wiretest::ListenerThread thread(service);
    std::string faultTo = "http://127.0.0.1:" + std::to_string(faultPort) + "/faults";
    std::string header = "<a:MessageID>m1</a:MessageID><a:FaultTo><a:Address>" + faultTo +
                         "</a:Address></a:FaultTo><a:Action>urn:x</a:Action>";
    wiretest::SendDatagramTo(client, Padded(Envelope(header, "<d:Probe></d:Probe>")), port);

    std::string fault = wiretest::ReadDatagram(client, 3000);
    EXPECT_NE(std::string::npos, fault.find("<g:To b:mustUnderstand=\"true\">" + faultTo + "</g:To>")) << fault;
    EXPECT_NE(std::string::npos, fault.find("<g:RelatesTo>m1</g:RelatesTo>"));
    pollfd p{server, POLLIN, 0};
    EXPECT_EQ(0, poll(&p, 1, 300));  // nobody connected to the FaultTo address
    close(server);
}

TEST_F(UdpListener, ABurstLargerThanAPlainSocketHoldsIsReceivedWhole)
{
    wire::DatagramReceiver datagrams(&service);
    ASSERT_TRUE(soap_valid_socket(wire::Accept(&service)));
    // Loopback charges a datagram of this size 2304 bytes of buffer. The
    // burst fits what the socket was granted even if the reading thread never
    // ran, and is far more than a socket with the old 64 KiB (which the
    // kernel doubles) or the system's default buffer holds.
    const int granted = datagrams.ReceiveBuffer();
    const int burst = std::min(3000, granted / 2304 * 9 / 10);
    ASSERT_GT(burst, 2 * 65536 / 2304 * 3 / 2) << "receive buffer granted: " << granted;
    for (int i = 0; i < burst; ++i)
        wiretest::SendDatagramTo(
            client,
            Envelope("",
                     "<d:ProbeMatches>" + wiretest::ProbeMatch("urn:dev-" + std::to_string(i)) + "</d:ProbeMatches>"),
            port);
    // Nothing was served while the burst came; now every one is, then the
    // receive time-out ends it.
    while (service.ServeOne() == SOAP_OK) {}
    ASSERT_EQ(static_cast<std::size_t>(burst), service.probeMatches.size());
    EXPECT_EQ("urn:dev-0", service.probeMatches.front()[0].address);
    EXPECT_EQ("urn:dev-" + std::to_string(burst - 1), service.probeMatches.back()[0].address);
}

TEST_F(UdpListener, AFullQueueLeavesDatagramsInTheSocketAndAStoppedOneIsEmptiedAtOnce)
{
    // Room for about two datagrams: the rest wait in the socket and come in order.
    wire::DatagramReceiver datagrams(&service, 2 * 700);
    for (int i = 0; i < 40; ++i)
        wiretest::SendDatagramTo(client, "d" + std::to_string(i) + std::string(500, ' '), port);
    for (int i = 0; i < 40; ++i) {
        std::optional<wire::Datagram> d = datagrams.Take(3000);
        ASSERT_TRUE(d) << i;
        EXPECT_EQ("d" + std::to_string(i), d->bytes.substr(0, d->bytes.find(' ')));
        EXPECT_EQ(clientPort, ntohs(reinterpret_cast<const sockaddr_in&>(d->peer).sin_port));
    }
    EXPECT_FALSE(datagrams.Take(100));

    // After a stop what was read can still be taken, and an empty queue
    // answers without waiting.
    wiretest::SendDatagramTo(client, "last", port);
    for (int i = 0; i < 300 && datagrams.Empty(); ++i) usleep(10000);
    datagrams.Stop();
    wiretest::SendDatagramTo(client, "too late", port);
    std::optional<wire::Datagram> last = datagrams.Take(3000);
    ASSERT_TRUE(last);
    EXPECT_EQ("last", last->bytes);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(datagrams.Take(3000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}

TEST_F(UdpListener, FaultsAreNeverLargerThanTheirDatagramAndAreRateLimited)
{
    wiretest::ListenerThread thread(service);
    // A short datagram would draw a fault many times its size: none is sent.
    for (const std::string& small : {std::string("x"), std::string("<?xml version=\"1.0\"?><a/>")}) {
        wiretest::SendDatagramTo(client, small, port);
        EXPECT_EQ("", wiretest::ReadDatagram(client, 300)) << small;
    }
    // A flood of large bad datagrams draws a bounded number of faults.
    const std::string bad = Padded("<?xml version=\"1.0\"?><x/>");
    for (int i = 0; i < 100; ++i) wiretest::SendDatagramTo(client, bad, port);
    int faults = 0;
    while (!wiretest::ReadDatagram(client, 300).empty()) ++faults;
    EXPECT_GE(faults, 1);
    EXPECT_LE(faults, 30);
}

}  // namespace

}  // namespace signseek
