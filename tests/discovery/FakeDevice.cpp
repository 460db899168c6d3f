#include "FakeDevice.h"

#include "tests/wire/WireTestSupport.h"

#include <arpa/inet.h>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace signseek {

namespace fake {

namespace {

// Devices wait a moment before answering a multicast probe; the run binds
// its listener right after its last probe.
constexpr auto kAnswerDelay = std::chrono::milliseconds(100);

ReceivedProbe Parse(std::string text, int sourcePort)
{
    ReceivedProbe probe;
    probe.messageId = ElementText(text, "g:MessageID");
    probe.replyTo = ElementText(ElementText(text, "g:ReplyTo"), "g:Address");
    probe.hasTypes = text.find("<Types") != std::string::npos;
    probe.types = ElementText(text, "Types");
    probe.scopes = ElementText(text, "Scopes");
    const std::string marker = "MatchBy=\"";
    if (std::size_t at = text.find(marker); at != std::string::npos) {
        at += marker.size();
        probe.matchBy = text.substr(at, text.find('"', at) - at);
    }
    probe.text = std::move(text);
    probe.sourcePort = sourcePort;
    return probe;
}

}  // namespace

FakeDevice::FakeDevice(Answer answer) : m_answer(std::move(answer))
{
    close(wiretest::LoopbackUdp(m_port));  // a port no other test is using
    m_fd = wiretest::GroupListener(m_port);
    m_thread = std::thread([this] { Loop(); });
}

FakeDevice::~FakeDevice()
{
    Stop();
    close(m_fd);
}

void FakeDevice::Stop()
{
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

std::vector<ReceivedProbe> FakeDevice::Probes()
{
    std::lock_guard lock(m_mutex);
    return m_probes;
}

void FakeDevice::Loop()
{
    while (!m_stop) {
        sockaddr_in from{};
        std::string text = wiretest::ReadDatagram(m_fd, 50, &from);
        if (text.empty()) continue;
        ReceivedProbe probe = Parse(std::move(text), ntohs(from.sin_port));
        {
            std::lock_guard lock(m_mutex);
            m_probes.push_back(probe);
        }
        if (m_answer) {
            std::this_thread::sleep_for(kAnswerDelay);
            m_answer(probe);
        }
    }
}

std::string ElementText(const std::string& xml, const std::string& name)
{
    std::size_t open = xml.find("<" + name);
    while (open != std::string::npos) {
        char next = xml[open + 1 + name.size()];
        if (next == '>' || next == ' ') break;
        open = xml.find("<" + name, open + 1);
    }
    if (open == std::string::npos) return {};
    std::size_t start = xml.find('>', open) + 1;
    std::size_t end = xml.find("</" + name + ">", start);
    return end == std::string::npos ? std::string() : xml.substr(start, end - start);
}

std::string MatchItems(const std::string& address, const std::string& xAddrs, const std::string& types,
                       const std::string& scopes, const std::string& extra)
{
    std::string items = "<a:EndpointReference><a:Address>" + address + "</a:Address></a:EndpointReference>";
    if (!types.empty()) items += "<d:Types>" + types + "</d:Types>";
    items += "<d:Scopes MatchBy=\"rule\">" + scopes + "</d:Scopes>";
    if (!xAddrs.empty()) items += "<d:XAddrs>" + xAddrs + "</d:XAddrs>";
    return items + extra + "<d:MetadataVersion>3</d:MetadataVersion>";
}

std::string ProbeMatchesEnvelope(const std::vector<std::string>& matchItems)
{
    std::string body = "<d:ProbeMatches>";
    for (const std::string& items : matchItems) body += "<d:ProbeMatch>" + items + "</d:ProbeMatch>";
    return wiretest::Envelope("", body + "</d:ProbeMatches>");
}

std::string HelloEnvelope(const std::string& matchItems)
{
    return wiretest::Envelope("", "<d:Hello>" + matchItems + "</d:Hello>");
}

std::string PostTo(const std::string& replyTo, const std::string& body, int waitMillis)
{
    const std::string prefix = "http://127.0.0.1:";
    EXPECT_EQ(0u, replyTo.find(prefix)) << replyTo;  // never anything but loopback
    if (replyTo.find(prefix) != 0) return {};
    const int port = std::stoi(replyTo.substr(prefix.size()));
    const std::string path = replyTo.substr(replyTo.find('/', prefix.size()));
    const std::string request = "POST " + path +
                                " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                "Content-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\n\r\n" + body;
    return wiretest::HttpExchange(port, request, waitMillis);
}

void DatagramTo(int port, const std::string& bytes)
{
    int ignored = 0;
    int fd = wiretest::LoopbackUdp(ignored);
    wiretest::SendDatagramTo(fd, bytes, port);
    close(fd);
}

int OpenDescriptors()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

}  // namespace fake

}  // namespace signseek
