// The watch's MQTT agent with 10,000 devices: events per second it publishes
// (each event is a retained device message and an event line, QoS 1, until
// the broker acknowledged them all) and the process's memory once they are
// all kept. Against a broker on 127.0.0.1:PORT (bench/mqtt-publish.sh starts
// one in a private network namespace), or a broker in memory without one.
//   signseek-mqtt-publish-bench [PORT] [DEVICES]

#include "cli/mqtt/DeviceTopic.h"
#include "cli/mqtt/WatchPublisher.h"
#include "present/ResultPrinter.h"
#include "tests/cli/FakeBroker.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

using namespace signseek;

namespace {

long RssKib()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

DeviceRecord Device(int i)
{
    DeviceRecord r;
    r.address = "urn:uuid:00000000-0000-4000-8000-" + std::to_string(100000000000 + i);
    r.types = "x8";
    r.scopes = "http://schemas.marvane.com/scopes/marvane/Ferro/X8";
    r.xAddrs = "http://10." + std::to_string(i / 65536 % 256) + "." + std::to_string(i / 256 % 256) + "." +
               std::to_string(i % 256) + ":8080/ferro";
    r.metadata = {"<Description>Wall " + std::to_string(i) + "</Description>", "<Height>1080</Height>",
                  "<Width>1920</Width>", "<MAC>00-11-22-33-44-55</MAC>", "<DiscoveryVersion>4.2</DiscoveryVersion>"};
    r.sourceAddress = "10.0.0.1";
    r.adapter = "127.0.0.1";
    return r;
}

// Tells every device once and waits until the broker has taken everything.
double Round(WatchPublisher& publisher, int devices, const char* event)
{
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < devices; ++i) {
        const FoundDevice device{"devices", Device(i)};
        std::string line = FormatNdjsonLine(event, device);
        line.pop_back();
        publisher.Tell(DeviceTopicId(device.record, "127.0.0.1"), FormatJsonDevice(device), std::move(line));
    }
    while (!publisher.Idle()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

}  // namespace

int main(int argc, char** argv)
{
    const int port = argc > 1 ? std::atoi(argv[1]) : 0;
    const int devices = argc > 2 ? std::atoi(argv[2]) : 10000;
    const long before = RssKib();

    PublisherSettings settings;
    settings.root = "bench/site";
    settings.brokerName = "127.0.0.1:" + std::to_string(port);
    settings.maxEvents = static_cast<std::size_t>(devices) * 2;  // count every event, none left out
    std::unique_ptr<BrokerLink> link;
    if (port > 0) {
        BrokerLinkConfig config;
        config.host = "127.0.0.1";
        config.port = port;
        link = CreateMosquittoLink(config).link;
    } else {
        link = std::make_unique<FakeLink>(std::make_shared<FakeBroker>());
    }
    WatchPublisher publisher(std::move(link), settings,
                             [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
    publisher.Start();
    while (publisher.Count().published == 0 && !publisher.Idle())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // connected, status out

    const double found = Round(publisher, devices, "found");
    const long kept = RssKib();
    const double changed = Round(publisher, devices, "changed");
    const WatchPublisher::Counters counters = publisher.Count();
    std::printf("broker: %s\n", port > 0 ? settings.brokerName.c_str() : "in memory");
    std::printf("%d devices found:   %.0f events/s (%.2f s, device message and event line each)\n", devices,
                devices / found, found);
    std::printf("%d devices changed: %.0f events/s (%.2f s)\n", devices, devices / changed, changed);
    std::printf("messages the broker took: %llu\n", static_cast<unsigned long long>(counters.published));
    std::printf("memory: %.1f MB before, %.1f MB with %d devices kept, %.1f MB at the end\n", before / 1024.0,
                kept / 1024.0, devices, RssKib() / 1024.0);
    publisher.Stop();
    return 0;
}
