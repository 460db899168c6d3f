#include "cli/ResultPrinter.h"

#include "discovery/DisplayRows.h"
#include "discovery/TextEncoding.h"
#include "discovery/WebPageAddress.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace {

const char *const kColumns[] = {"Name", "Dimensions", "DHCP Name", "IP Address"};

// Shown device text (UTF-8) on a terminal, with control characters made harmless.
std::string Printable(const std::string &shown) { return WideToPrintableUtf8(WidenDeviceBytes(shown)); }

std::size_t DisplayWidth(const std::string &utf8)
{
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::vector<std::vector<std::string>> ListRows(const std::vector<FoundDevice> &devices)
{
    std::vector<std::vector<std::string>> rows;
    for (const FoundDevice &device : devices)
        for (const DisplayRow &row : MakeDisplayRows(device.record))
            rows.push_back({Printable(row.name), Printable(row.dimensions), Printable(row.dhcpName),
                            Printable(row.ipAddress)});
    return rows;
}

std::string CsvField(std::string text)
{
    // A spreadsheet would run device text that starts like a formula.
    if (!text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos) text.insert(0, "'");
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace

std::string FormatTable(const std::vector<FoundDevice> &devices)
{
    auto rows = ListRows(devices);
    if (rows.empty()) return "No devices found.\n";
    std::size_t widths[4];
    for (int c = 0; c < 4; ++c) {
        widths[c] = DisplayWidth(kColumns[c]);
        for (const auto &row : rows) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    }
    auto line = [&widths](const std::vector<std::string> &cells) {
        std::string out;
        for (int c = 0; c < 4; ++c) {
            out += cells[c];
            if (c < 3) out += std::string(widths[c] - DisplayWidth(cells[c]) + 2, ' ');
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        return out + '\n';
    };
    std::string out = line({kColumns[0], kColumns[1], kColumns[2], kColumns[3]});
    for (const auto &row : rows) out += line(row);
    return out;
}

std::string FormatCsv(const std::vector<FoundDevice> &devices)
{
    std::string out = "Name,Dimensions,DHCP Name,IP Address\r\n";
    for (const auto &row : ListRows(devices))
        out += CsvField(row[0]) + ',' + CsvField(row[1]) + ',' + CsvField(row[2]) + ',' + CsvField(row[3]) + "\r\n";
    return out;
}

std::string FormatJson(const std::vector<FoundDevice> &devices)
{
    using Json = nlohmann::ordered_json;
    Json list = Json::array();
    for (const FoundDevice &device : devices) {
        const DeviceRecord &r = device.record;
        const DisplayRow row = MakeDisplayRow(r);
        Json metadata = Json::array();
        // Items as received; JSON text is UTF-8, so a stray byte becomes its Latin-1 character.
        for (const std::string &item : r.metadata) metadata.push_back(DeviceBytesToUtf8(item));
        Json services = Json::array();
        for (const std::string &name : ShownServiceNames(r)) services.push_back(name);
        auto page = BuildWebPageAddress(r);
        list.push_back(Json{
            {"run", device.run},
            {"address", Latin1ToUtf8(r.address)},
            {"types", Latin1ToUtf8(r.types)},
            {"matchBy", Latin1ToUtf8(r.matchBy)},
            {"scopes", Latin1ToUtf8(r.scopes)},
            {"xAddrs", Latin1ToUtf8(r.xAddrs)},
            {"metadataVersion", r.metadataVersion},
            {"metadata", metadata},
            {"sourceAddress", Latin1ToUtf8(r.sourceAddress)},
            {"name", row.name},
            {"dimensions", row.dimensions},
            {"dhcpName", r.GetDhcpName()},
            {"ipAddress", row.ipAddress},
            {"mac", r.GetMac()},
            {"services", services},
            {"discoveryVersion", r.GetDiscoveryVersion()},
            {"webPage", page ? Json(*page) : Json(nullptr)},
        });
    }
    return Json{{"devices", list}}.dump(2) + '\n';
}
