#include "sim/DemoSet.h"

#include "common/VendorConstants.h"

#include <string>

namespace signseek::sim {
namespace {

std::string Root(const char* path) { return std::string(VENDOR_URI_ROOT) + path; }

// The XAddrs hosts differ per device: a search takes endpoints on one host for
// one device. 127.0.0.0/8 keeps them on loopback.
Device MediaPlayerEndpoint(int n, const char* type, int port)
{
    Device d;
    d.address = "urn:uuid:6d1a0c55-7f0e-4c3a-9a51-00000000010" + std::to_string(n);
    d.types = type;
    d.scopes = Root("2011/player/tovo");
    d.xAddrs = "http://127.0.0.21:" + std::to_string(port) + "/" + type;
    if (n == 1) {
        d.extensions = {{"Description", "Lobby Player"}, {"Height", "1080"},         {"Width", "1920"},
                        {"MAC", "00-1B-2C-3D-4E-01"},    {"DHCPName", "tovo-lobby"}, {"DiscoveryVersion", "2.4.1"}};
    }
    return d;
}

}  // namespace

std::vector<Device> DemoDevices()
{
    std::vector<Device> set;
    set.push_back(MediaPlayerEndpoint(1, "player", 80));
    set.push_back(MediaPlayerEndpoint(2, "scheduler", 81));
    set.push_back(MediaPlayerEndpoint(3, "monitor", 82));

    Device processor;
    processor.address = "urn:uuid:6d1a0c55-7f0e-4c3a-9a51-000000000201";
    processor.types = "lyrax";
    processor.scopes = Root("2011/videoprocessor/lyrax");
    processor.xAddrs = "http://127.0.0.22:80/lyrax";
    processor.extensions = {{"Rows", "4"},
                            {"Columns", "6"},
                            {"MAC", "00-1B-2C-3D-4E-02"},
                            {"ComputerName", "LYRAX-HALL"},
                            {"DiscoveryVersion", "1.9"}};
    set.push_back(processor);

    // Answers the bridge run only, as the bridges in the field do.
    Device bridge;
    bridge.address = "urn:uuid:6d1a0c55-7f0e-4c3a-9a51-000000000301";
    bridge.types = "Halden telnet";
    bridge.scopes = Root("scopes/marvane/Halden/Bridge");
    bridge.xAddrs = "http://127.0.0.23/bridge";
    bridge.extensions = {{"Description", "Stage Bridge"}, {"MAC", "00-1B-2C-3D-4E-03"}, {"DHCPName", "halden-stage"}};
    bridge.answer = AnswerMode::UdpOnly;
    set.push_back(bridge);

    Device x8;
    x8.address = "urn:uuid:6d1a0c55-7f0e-4c3a-9a51-000000000401";
    x8.types = "x8";
    x8.scopes = Root("scopes/marvane/Ferro/X8") + " " + VENDOR_HOME_URI;
    x8.xAddrs = "http://127.0.0.24:8080/ferro";
    x8.extensions = {{"Description", "Atrium Wall"},  {"Height", "2160"},           {"Width", "3840"},
                     {"MAC", "00-1B-2C-3D-4E-04"},    {"DHCPName", "ferro-atrium"}, {"DiscoveryVersion", "3.0.2"},
                     {"Services", "http:8080 ssh:22"}};
    set.push_back(x8);

    Device x7;
    x7.address = "urn:uuid:6d1a0c55-7f0e-4c3a-9a51-000000000501";
    x7.types = "x7";
    x7.scopes = Root("scopes/marvane/Ferro/X7");
    x7.xAddrs = "http://127.0.0.25:8080/ferro";
    x7.extensions = {{"Description", "Old Wall"}};
    set.push_back(x7);

    // Under the vendor root too, so it answers the root-scope probe.
    Device home;
    home.address = "urn:uuid:6d1a0c55-7f0e-4c3a-9a51-000000000601";
    home.scopes = std::string(VENDOR_HOME_URI) + " " + Root("2011/web");
    home.xAddrs = "http://127.0.0.26/";
    home.extensions = {{"Description", "Web Gateway"}};
    set.push_back(home);
    return set;
}

}  // namespace signseek::sim