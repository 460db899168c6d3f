#include "discovery/ResultPrinter.h"

#include "common/TextEncoding.h"
#include "discovery/DisplayRows.h"
#include "discovery/WebPageAddress.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <arpa/inet.h>
#include <optional>

namespace signseek {

namespace {

const char* const kColumns[] = {"Name", "Dimensions", "DHCP Name", "IP Address"};
const char* const kCsvColumns[] = {"Name", "Dimensions", "DHCP Name", "IP Address",        "Endpoint Address",
                                   "MAC",  "Web Page",   "Services",  "Discovery Version", "Adapter",
                                   "Via"};
constexpr std::size_t kTableColumns = 4;
// A table cell longer than this is cut and ends in "…": one device's text
// must not widen every row of the table.
constexpr std::size_t kMaxCellWidth = 40;

// Shown device text (UTF-8) on a terminal, with control characters made harmless.
std::string Printable(const std::string& shown) { return WideToPrintableUtf8(WidenDeviceBytes(shown)); }

std::size_t DisplayWidth(const std::string& utf8)
{
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// One line of a table cell: tabs, line feeds and Unicode line and paragraph
// separators become spaces, direction overrides U+FFFD, and the text is cut
// to kMaxCellWidth characters.
std::string TableCell(const std::string& utf8)
{
    std::string out;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t length = 1;
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        length = std::min(length, utf8.size() - i);
        std::string character = utf8.substr(i, length);
        i += length;
        if (character == "\t" || character == "\n" || character == "\r" || character == "\xE2\x80\xA8" ||
            character == "\xE2\x80\xA9")
            character = " ";
        else if (character >= "\xE2\x80\xAA" && character <= "\xE2\x80\xAE")
            character = "\xEF\xBF\xBD";
        else if (character >= "\xE2\x81\xA6" && character <= "\xE2\x81\xA9")
            character = "\xEF\xBF\xBD";
        if (characters == kMaxCellWidth) {
            // Back off one character to make room for the ellipsis.
            std::size_t cut = out.size();
            do --cut;
            while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80);
            out.resize(cut);
            return out + "\xE2\x80\xA6";
        }
        out += character;
        ++characters;
    }
    return out;
}

struct ListRow {
    std::size_t run;  // index of the device's run in the search's order
    std::vector<std::string> cells;
};

// IPv4 addresses compare by number ("10.0.0.9" before "10.0.0.10"); anything
// else by its text.
bool AddressLess(const std::string& a, const std::string& b)
{
    auto key = [](const std::string& text) -> std::optional<std::uint32_t> {
        in_addr parsed{};
        const std::string host = text.substr(0, text.find(':'));
        if (inet_pton(AF_INET, host.c_str(), &parsed) != 1) return std::nullopt;
        return ntohl(parsed.s_addr);
    };
    auto ka = key(a), kb = key(b);
    if (ka && kb && *ka != *kb) return *ka < *kb;
    return a < b;
}

// Every row of the device list, ordered by run, then name, then address, so
// that two searches can be compared line by line. extended adds the CSV's
// device columns.
std::vector<ListRow> ListRows(const std::vector<FoundDevice>& devices, bool extended)
{
    std::vector<std::string> runs;
    std::vector<ListRow> rows;
    for (const FoundDevice& device : devices) {
        auto run = std::find(runs.begin(), runs.end(), device.run);
        if (run == runs.end()) run = runs.insert(runs.end(), device.run);
        const std::size_t runIndex = static_cast<std::size_t>(run - runs.begin());
        for (const DisplayRow& row : MakeDisplayRows(device.record)) {
            ListRow out{
                runIndex,
                {Printable(row.name), Printable(row.dimensions), Printable(row.dhcpName), Printable(row.ipAddress)}};
            if (extended) {
                const DeviceRecord& r = device.record;
                std::string services;
                for (const std::string& name : ShownServiceNames(r)) services += (services.empty() ? "" : "; ") + name;
                out.cells.push_back(Printable(r.address));
                out.cells.push_back(Printable(r.GetMac()));
                out.cells.push_back(BuildWebPageAddress(r).value_or(""));
                out.cells.push_back(Printable(services));
                out.cells.push_back(Printable(r.GetDiscoveryVersion()));
                out.cells.push_back(Printable(r.adapter));
                out.cells.push_back(Printable(r.via));
            }
            rows.push_back(std::move(out));
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [](const ListRow& a, const ListRow& b) {
        if (a.run != b.run) return a.run < b.run;
        if (a.cells[0] != b.cells[0]) return a.cells[0] < b.cells[0];
        return AddressLess(a.cells[3], b.cells[3]);
    });
    return rows;
}

std::string CsvField(std::string text)
{
    // A spreadsheet would run device text that starts like a formula, also
    // behind blanks, or after a leading tab or carriage return.
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const bool formula =
        !text.empty() &&
        (text.front() == '\t' || text.front() == '\r' ||
         (first != std::string::npos && std::string_view("=+-@").find(text[first]) != std::string_view::npos));
    if (formula) text.insert(0, "'");
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace

std::string FormatTable(const std::vector<FoundDevice>& devices)
{
    auto rows = ListRows(devices, false);
    if (rows.empty()) return "No devices found.\n";
    for (ListRow& row : rows)
        for (std::string& cell : row.cells) cell = TableCell(cell);
    std::size_t widths[kTableColumns];
    for (std::size_t c = 0; c < kTableColumns; ++c) {
        widths[c] = DisplayWidth(kColumns[c]);
        for (const auto& row : rows) widths[c] = std::max(widths[c], DisplayWidth(row.cells[c]));
    }
    auto line = [&widths](const std::vector<std::string>& cells) {
        std::string out;
        for (std::size_t c = 0; c < kTableColumns; ++c) {
            out += cells[c];
            if (c + 1 < kTableColumns) out += std::string(widths[c] - DisplayWidth(cells[c]) + 2, ' ');
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        return out + '\n';
    };
    std::string out = line({kColumns[0], kColumns[1], kColumns[2], kColumns[3]});
    for (const auto& row : rows) out += line(row.cells);
    return out;
}

std::string FormatCsv(const std::vector<FoundDevice>& devices)
{
    std::string out;
    for (const char* column : kCsvColumns) out += (out.empty() ? "" : ",") + std::string(column);
    out += "\r\n";
    for (const auto& row : ListRows(devices, true)) {
        for (std::size_t c = 0; c < row.cells.size(); ++c) out += (c ? "," : "") + CsvField(row.cells[c]);
        out += "\r\n";
    }
    return out;
}

namespace {

using Json = nlohmann::ordered_json;

// A device's keys, appended to `out` in their order.
void AddDeviceKeys(Json& out, const FoundDevice& device)
{
    const DeviceRecord& r = device.record;
    const DisplayRow row = MakeDisplayRow(r);
    Json metadata = Json::array();
    // Items as received; JSON text is UTF-8, so a stray byte becomes its Latin-1 character.
    for (const std::string& item : r.metadata) metadata.push_back(DeviceBytesToUtf8(item));
    Json services = Json::array();
    for (const std::string& name : ShownServiceNames(r)) services.push_back(name);
    auto page = BuildWebPageAddress(r);
    out.update(Json{
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
        {"adapter", Latin1ToUtf8(r.adapter)},
        {"via", r.via},
    });
}

}  // namespace

std::string FormatJson(const std::vector<FoundDevice>& devices)
{
    Json list = Json::array();
    for (const FoundDevice& device : devices) {
        Json object = Json::object();
        AddDeviceKeys(object, device);
        list.push_back(std::move(object));
    }
    return Json{{"devices", list}}.dump(2) + '\n';
}

std::string FormatNdjsonLine(const char* event, const FoundDevice& device)
{
    Json object = Json{{"event", event}};
    AddDeviceKeys(object, device);
    return object.dump() + '\n';
}

}  // namespace signseek
