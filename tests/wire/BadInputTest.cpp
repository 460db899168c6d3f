// Hostile input on both listeners: every bad message gets its fault or
// silence, and the listener goes on to serve the next good one.

#include "WireTestSupport.h"
#include "wire/EnvelopeReader.h"
#include "wire/Transport.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace signseek {

namespace {

using wiretest::Envelope;
using wiretest::ProbeMatch;

const std::string kGood = Envelope("", "<d:ProbeMatches>" + ProbeMatch("urn:good") + "</d:ProbeMatches>");

std::vector<std::string> BadMessages()
{
    std::string deep = "<d:ProbeMatches><d:ProbeMatch>";
    for (int i = 0; i < 1000; ++i) deep += "<x>";  // within the element limit
    for (int i = 0; i < 1000; ++i) deep += "</x>";
    deep += "</d:ProbeMatch></d:ProbeMatches>";
    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE z [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;"
                       "&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>" +
                       Envelope("", "<d:ProbeMatches>" + ProbeMatch("&c;") + "</d:ProbeMatches>").substr(21);
    return {
        kGood.substr(0, kGood.size() / 2),                              // truncated
        std::string("\x00\x01\x02\xff\xfe garbage", 14),                // garbage bytes
        "<html><head><title>x</title></head><body>page</body></html>",  // an HTML page
        "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body/>"
        "</s:Envelope>",                                                                        // SOAP 1.1
        Envelope("", deep),                                                                     // deep nesting
        bomb,                                                                                   // entity definitions
        Envelope("", "<q:ProbeMatches></q:ProbeMatches>"),                                      // undeclared prefix
        Envelope("<x:H xmlns:x=\"urn:x\" s:mustUnderstand=\"true\"/>", "<d:ProbeMatches/>"),    // must understand
        Envelope("", "<d:ProbeMatches>" + ProbeMatch("urn:a", "", "x") + "</d:ProbeMatches>"),  // bad number
        Envelope("", "<d:Probe/>"),                                                             // a Probe sent to us
    };
}

TEST(BadInput, UdpListenerSurvivesEveryBadDatagram)
{
    wiretest::RecordingService service(wire::TransportMode::Udp);
    wire::EnableAddressing(&service);
    service.recv_timeout = 1;
    int port = 0;
    close(wiretest::LoopbackUdp(port));
    ASSERT_TRUE(soap_valid_socket(wire::Bind(&service, "127.0.0.1", port, 100)));
    int clientPort = 0;
    int client = wiretest::LoopbackUdp(clientPort);
    {
        wiretest::ListenerThread thread(service);
        std::vector<std::string> bad = BadMessages();
        for (const std::string& message : bad) {
            wiretest::SendDatagramTo(client, message, port);
            usleep(5000);
        }
        wiretest::SendDatagramTo(client, kGood, port);
        for (int i = 0; i < 100 && service.probeMatches.size() < 2; ++i) usleep(20000);
    }
    // The deeply nested match fits in a datagram and is accepted, without an address.
    ASSERT_EQ(2u, service.probeMatches.size());
    EXPECT_EQ("", service.probeMatches[0][0].address);
    EXPECT_EQ("urn:good", service.probeMatches[1][0].address);
    close(client);
}

TEST(BadInput, HttpListenerSurvivesEveryBadRequest)
{
    wiretest::RecordingService service(wire::TransportMode::Tcp);
    wire::EnableAddressing(&service);
    service.accept_timeout = 1;
    service.recv_timeout = 1;
    int port = wiretest::FreeTcpPort();
    ASSERT_TRUE(soap_valid_socket(wire::Bind(&service, "127.0.0.1", port, 100)));
    {
        wiretest::ListenerThread thread(service);
        std::vector<std::string> bad = BadMessages();
        bad.push_back(std::string(70000, '<'));
        for (const std::string& message : bad) {
            std::string request = "POST / HTTP/1.1\r\nContent-Type: application/soap+xml\r\nContent-Length: " +
                                  std::to_string(message.size()) + "\r\n\r\n" + message;
            std::string answer = wiretest::HttpExchange(port, request, 2500);
            // Every bad request is answered with a fault or left unanswered (a quiet line).
            if (!answer.empty() && answer.find("HTTP/1.1 202 Accepted") != 0) {
                EXPECT_TRUE(answer.find("HTTP/1.1 400") == 0 || answer.find("HTTP/1.1 500") == 0) << answer;
                EXPECT_NE(std::string::npos, answer.find("<b:Fault>"));
            }
        }
        std::string good =
            "POST / HTTP/1.1\r\nContent-Type: application/soap+xml\r\nContent-Length: " + std::to_string(kGood.size()) +
            "\r\n\r\n" + kGood;
        EXPECT_EQ(0u, wiretest::HttpExchange(port, good).find("HTTP/1.1 202 Accepted"));
    }
    // Deep nesting inside a match is well formed: that match is accepted, without an address.
    ASSERT_EQ(2u, service.probeMatches.size());
    EXPECT_EQ("", service.probeMatches[0][0].address);
    EXPECT_EQ("urn:good", service.probeMatches[1][0].address);
}

TEST(BadInput, InvalidUtf8IsDecodedWithoutHarm)
{
    wiretest::RecordingService service(wire::TransportMode::Udp);
    EXPECT_EQ(0, wiretest::ServeText(
                     service, Envelope("", "<d:ProbeMatches>" + ProbeMatch("\xff\xfe\xc3(") + "</d:ProbeMatches>")));
    ASSERT_EQ(1u, service.probeMatches.size());
    EXPECT_FALSE(service.probeMatches[0][0].address.empty());
}

}  // namespace

}  // namespace signseek
