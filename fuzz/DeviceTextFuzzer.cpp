// The discovery core's readers of device text: metadata values, the web page
// address handed to a browser launcher, and the rows and details on screen.
#include "common/TextEncoding.h"
#include "discovery/DeviceRecord.h"
#include "discovery/ServiceCatalogue.h"
#include "present/DeviceDetails.h"
#include "present/DisplayRows.h"
#include "present/WebPageAddress.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

using namespace signseek;

namespace {

volatile std::size_t g_sink;

void Consume(std::string_view text)
{
    std::size_t h = g_sink;
    for (unsigned char c : text) h = h * 31 + c;
    g_sink = h;
}

// Printable text keeps no control character but tab and line feed, C1 included.
void CheckPrintable(std::string_view utf8)
{
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) std::abort();
        if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0) std::abort();
    }
    Consume(utf8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    DeviceRecord r;
    r.address = in.ConsumeRandomLengthString(256);
    r.types = in.ConsumeRandomLengthString(512);
    r.matchBy = in.ConsumeRandomLengthString(64);
    r.scopes = in.ConsumeRandomLengthString(512);
    r.xAddrs = in.ConsumeRandomLengthString(512);
    r.sourceAddress = in.ConsumeRandomLengthString(64);
    r.metadataVersion = in.ConsumeIntegral<std::uint32_t>();
    const std::string key = in.ConsumeRandomLengthString(32);
    const std::size_t items = in.ConsumeIntegralInRange<std::size_t>(0, 8);
    for (std::size_t i = 0; i + 1 < items; ++i) r.metadata.push_back(in.ConsumeRandomLengthString(1024));
    if (items) r.metadata.push_back(in.ConsumeRemainingBytesAsString());

    Consume(r.GetMetadataValue(key));
    for (const char* k : {META_SERVICES, META_HELLO, META_ROWS, META_COLUMNS}) Consume(r.GetMetadataValue(k));
    Consume(r.GetDescription());
    Consume(r.GetMac());
    Consume(r.GetDhcpName());
    Consume(r.GetDiscoveryVersion());
    g_sink = g_sink + static_cast<std::size_t>(r.GetHeight()) + static_cast<std::size_t>(r.GetWidth());

    if (auto page = BuildWebPageAddress(r)) {
        if (!IsSafeWebPageAddress(*page)) std::abort();  // would reach the browser launcher
        Consume(*page);
    }
    Consume(GetManagementPort(r));
    for (const std::string& name : GetServiceNames(ServicesOrTypes(r))) Consume(name);
    for (const DisplayRow& row : MakeDisplayRows(r)) {
        CheckPrintable(WideToPrintableUtf8(WidenDeviceBytes(row.name)));
        Consume(row.dimensions);
        Consume(row.dhcpName);
        Consume(row.ipAddress);
    }
    CheckPrintable(WideToPrintableUtf8(BuildDeviceDetails(r)));
    Consume(Latin1ToUtf8(r.address));
    return 0;
}
