#include "sim/LoadSet.h"

#include "common/VendorConstants.h"

#include <cstdio>
#include <string>

namespace signseek::sim {
namespace {

// Distinct hosts: a search folds endpoints on one host into one device.
std::string Host(int net, int i)
{
    return "10." + std::to_string(net) + "." + std::to_string(i / 254) + "." + std::to_string(i % 254 + 1);
}

std::string Address(int kind, int i)
{
    char text[64];
    std::snprintf(text, sizeof text, "urn:uuid:5e1f%04x-0000-4000-8000-%012x", kind, i);
    return text;
}

}  // namespace

std::vector<Device> LoadDevices(int count)
{
    std::vector<Device> set;
    if (count < 1 || count > kMaxLoadCount) return set;
    set.reserve(2 * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        Device d;
        d.address = Address(8, i);
        d.types = "x8";
        d.scopes = std::string(VENDOR_URI_ROOT) + "scopes/marvane/Ferro/X8";
        d.xAddrs = "http://" + Host(1, i) + ":80/ferro";
        d.extensions = {{"Description", "Load X8 " + std::to_string(i + 1)},
                        {"Height", "1080"},
                        {"Width", "1920"},
                        {"DHCPName", "x8-" + std::to_string(i + 1)}};
        d.answer = AnswerMode::HttpOnly;
        set.push_back(std::move(d));
    }
    for (int i = 0; i < count; ++i) {
        Device d;
        d.address = Address(0xb, i);
        d.types = "Halden";
        d.scopes = std::string(VENDOR_URI_ROOT) + "scopes/marvane/Halden/Bridge";
        d.xAddrs = "http://" + Host(2, i) + "/bridge";
        d.extensions = {{"Description", "Load Bridge " + std::to_string(i + 1)}};
        d.answer = AnswerMode::UdpOnly;
        set.push_back(std::move(d));
    }
    return set;
}

}  // namespace signseek::sim