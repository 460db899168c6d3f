#include "present/ResultPrinter.h"

#include "common/TerminalWidth.h"
#include "common/TextEncoding.h"
#include "common/TextHelpers.h"
#include "common/TransportAddress.h"
#include "present/DisplayRows.h"
#include "present/WebPageAddress.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <type_traits>

namespace signseek {

namespace {

const char* const kColumns[] = {"Name", "Dimensions", "DHCP Name", "IP Address"};
const char* const kCsvColumns[] = {"Name", "Dimensions", "DHCP Name", "IP Address",        "Endpoint Address",
                                   "MAC",  "Web Page",   "Services",  "Discovery Version", "Adapter",
                                   "Via"};
// A table cell longer than this is cut and ends in "…": one device's text
// must not widen every row of the table.
constexpr std::size_t kMaxCellWidth = 40;

// Shown device text (UTF-8) on a terminal, with control characters made harmless.
std::string Printable(const std::string& shown) { return WideToPrintableUtf8(WidenDeviceBytes(shown)); }

// One line of a table cell: tabs, line feeds and Unicode line and paragraph
// separators become spaces, direction overrides and marks, zero-width
// characters and the byte-order mark U+FFFD (each could make two names look
// alike or hide text), and the text is cut to kMaxCellWidth terminal columns.
std::string TableCell(const std::string& utf8)
{
    std::string out;
    std::size_t columns = 0;
    std::size_t cut = std::string::npos;  // where the ellipsis would go
    for (std::string_view rest = utf8; !rest.empty();) {
        std::size_t length = 0;
        int width = CharacterColumns(rest, &length);
        std::string character(rest.substr(0, length));
        rest.remove_prefix(length);
        if (character == "\t" || character == "\n" || character == "\r" || character == "\xE2\x80\xA8" ||
            character == "\xE2\x80\xA9") {
            character = " ";
            width = 1;
        } else if ((character >= "\xE2\x80\xAA" && character <= "\xE2\x80\xAE") ||
                   (character >= "\xE2\x81\xA6" && character <= "\xE2\x81\xA9") ||
                   (character >= "\xE2\x80\x8B" && character <= "\xE2\x80\x8F") ||  // U+200B to U+200F
                   (character >= "\xE2\x81\xA0" && character <= "\xE2\x81\xA4") ||  // U+2060 to U+2064
                   character == "\xEF\xBB\xBF" || character == "\xD8\x9C") {        // U+FEFF, U+061C
            character = "\xEF\xBF\xBD";
            width = 1;
        }
        if (cut == std::string::npos && columns + static_cast<std::size_t>(width) > kMaxCellWidth - 1) cut = out.size();
        columns += static_cast<std::size_t>(width);
        if (columns > kMaxCellWidth) {
            out.resize(cut);
            return out + "\xE2\x80\xA6";
        }
        out += character;
    }
    return out;
}

struct ListRow {
    std::string site;
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

// A list the printer was given to keep lets each record go as soon as its
// rows are made, so a list at the text cap is not held twice over.
template <typename Devices> void Release(Devices& devices, std::size_t i)
{
    if constexpr (!std::is_const_v<Devices>) devices[i].record = DeviceRecord{};
}

// Every row of the device list, ordered by run, then name, then address, so
// that two searches can be compared line by line. extended adds the CSV's
// device columns.
template <typename Devices> std::vector<ListRow> ListRows(Devices& devices, bool extended)
{
    std::vector<std::string> runs;
    std::vector<ListRow> rows;
    for (std::size_t i = 0; i < devices.size(); Release(devices, i++)) {
        const FoundDevice& device = devices[i];
        auto run = std::find(runs.begin(), runs.end(), device.run);
        if (run == runs.end()) run = runs.insert(runs.end(), device.run);
        const std::size_t runIndex = static_cast<std::size_t>(run - runs.begin());
        for (const DisplayRow& row : MakeDisplayRows(device.record)) {
            ListRow out{
                Printable(device.site),
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
        if (a.site != b.site) return a.site < b.site;
        if (a.run != b.run) return a.run < b.run;
        // Names as the window lists them: without ASCII case.
        if (int byName = CompareIgnoringAsciiCase(a.cells[0], b.cells[0])) return byName < 0;
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
    // One pass; find_first_of would look each byte up in the set with a call of its own.
    const auto special = [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; };
    if (std::none_of(text.begin(), text.end(), special)) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

bool AnySite(const std::vector<FoundDevice>& devices)
{
    return std::any_of(devices.begin(), devices.end(), [](const FoundDevice& d) { return !d.site.empty(); });
}

// Collects written text in one string.
std::string Collected(void (*write)(const std::vector<FoundDevice>&, const TextOutput&),
                      const std::vector<FoundDevice>& devices)
{
    std::string text;
    write(devices, [&text](std::string_view piece) {
        text += piece;
        return true;
    });
    return text;
}

}  // namespace

template <typename Devices> void WriteTableOf(Devices& devices, const TextOutput& out)
{
    auto rows = ListRows(devices, false);
    if (rows.empty()) {
        out("No devices found.\n");
        return;
    }
    std::vector<std::string> header(std::begin(kColumns), std::end(kColumns));
    if (AnySite(devices)) {
        header.insert(header.begin(), "Site");
        for (ListRow& row : rows) row.cells.insert(row.cells.begin(), row.site);
    }
    const std::size_t columns = header.size();
    for (ListRow& row : rows)
        for (std::string& cell : row.cells) cell = TableCell(cell);
    std::vector<std::size_t> widths(columns);
    for (std::size_t c = 0; c < columns; ++c) {
        widths[c] = TerminalColumns(header[c]);
        for (const auto& row : rows) widths[c] = std::max(widths[c], TerminalColumns(row.cells[c]));
    }
    auto line = [&widths, columns](const std::vector<std::string>& cells) {
        std::string out;
        for (std::size_t c = 0; c < columns; ++c) {
            out += cells[c];
            if (c + 1 < columns) out += std::string(widths[c] - TerminalColumns(cells[c]) + 2, ' ');
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        return out + '\n';
    };
    if (!out(line(header))) return;
    for (const auto& row : rows)
        if (!out(line(row.cells))) return;
}

template <typename Devices> void WriteCsvOf(Devices& devices, const TextOutput& out)
{
    const bool withSite = AnySite(devices);
    std::string header = withSite ? "Site" : "";
    for (const char* column : kCsvColumns) header += (header.empty() ? "" : ",") + std::string(column);
    if (!out(header + "\r\n")) return;
    for (const auto& row : ListRows(devices, true)) {
        std::string line = withSite ? CsvField(row.site) + "," : "";
        for (std::size_t c = 0; c < row.cells.size(); ++c) line += (c ? "," : "") + CsvField(row.cells[c]);
        if (!out(line + "\r\n")) return;
    }
}

namespace {

using Json = nlohmann::ordered_json;

// Text, or null when there is none: unknown is not an empty value.
Json TextOrNull(const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); }

// A count the device reported, or null when it reported none.
Json CountOrNull(long long count) { return count > 0 ? Json(count) : Json(nullptr); }

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
    if (!device.site.empty()) out["site"] = device.site;
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
    // Added in version 1: the same facts as data rather than the window's text.
    const std::vector<std::string> hostList = TransportHosts(r.xAddrs);
    Json hosts = Json::array();
    for (const std::string& host : hostList) hosts.push_back(Latin1ToUtf8(host));
    const bool videoProcessor = r.IsVideoProcessor();
    long long rows = 0, columns = 0;
    if (videoProcessor) {
        rows = LeadingInteger(r.GetMetadataValue(META_ROWS)) + 1LL;
        columns = LeadingInteger(r.GetMetadataValue(META_COLUMNS)) + 1LL;
        if (rows <= 1 || columns <= 1) rows = columns = 0;
    }
    out["name"] = TextOrNull(r.GetDescription().empty() ? std::string() : row.name);
    out["dhcpName"] = TextOrNull(row.dhcpName);
    out["ipAddress"] = TextOrNull(row.ipAddress);
    out["discoveryVersion"] = TextOrNull(out["discoveryVersion"].get<std::string>());
    out.update(Json{
        {"height", videoProcessor ? Json(nullptr) : CountOrNull(r.GetHeight())},
        {"width", videoProcessor ? Json(nullptr) : CountOrNull(r.GetWidth())},
        {"rows", CountOrNull(rows)},
        {"columns", CountOrNull(columns)},
        {"host", hosts.empty() ? Json(nullptr) : hosts.front()},
        {"hosts", hosts},
    });
}

// RFC 3339 in UTC, to the millisecond: 2026-12-09T22:15:03.123Z.
std::string Rfc3339(std::chrono::system_clock::time_point time)
{
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(millis / 1000 - (millis % 1000 < 0 ? 1 : 0));
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(((millis % 1000) + 1000) % 1000));
    return text;
}

template <typename Devices> void WriteJsonOf(Devices& devices, const TextOutput& out)
{
    // The document as one dump(2) of it lays it out, made one device at a
    // time: each device's object is laid out alone, indented into the list.
    Json document = Json{{"version", kOutputFormatVersion}, {"devices", Json::array()}};
    if (devices.empty()) {
        out(document.dump(2) + '\n');
        return;
    }
    const std::string empty = document.dump(2);
    const std::size_t listAt = empty.rfind("[]");
    if (!out(empty.substr(0, listAt + 1) + '\n')) return;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        Json object = Json::object();
        AddDeviceKeys(object, devices[i]);
        Release(devices, i);
        // A line feed inside a value is escaped, so each one is a line of the layout.
        const std::string laid = object.dump(2);
        std::string text;
        text.reserve(laid.size() + laid.size() / 8);
        for (std::size_t at = 0, next; at < laid.size(); at = next) {
            next = std::min(laid.find('\n', at), laid.size() - 1) + 1;
            text.append("    ").append(laid, at, next - at);
        }
        if (!out(text + (i + 1 < devices.size() ? ",\n" : "\n"))) return;
    }
    out("  " + empty.substr(listAt + 1) + '\n');
}

}  // namespace

void WriteTable(const std::vector<FoundDevice>& devices, const TextOutput& out) { WriteTableOf(devices, out); }
void WriteTable(std::vector<FoundDevice>&& devices, const TextOutput& out) { WriteTableOf(devices, out); }
void WriteCsv(const std::vector<FoundDevice>& devices, const TextOutput& out) { WriteCsvOf(devices, out); }
void WriteCsv(std::vector<FoundDevice>&& devices, const TextOutput& out) { WriteCsvOf(devices, out); }
void WriteJson(const std::vector<FoundDevice>& devices, const TextOutput& out) { WriteJsonOf(devices, out); }
void WriteJson(std::vector<FoundDevice>&& devices, const TextOutput& out) { WriteJsonOf(devices, out); }

std::string FormatTable(const std::vector<FoundDevice>& devices) { return Collected(WriteTable, devices); }
std::string FormatCsv(const std::vector<FoundDevice>& devices) { return Collected(WriteCsv, devices); }
std::string FormatJson(const std::vector<FoundDevice>& devices) { return Collected(WriteJson, devices); }

std::string FormatJsonDevice(const FoundDevice& device)
{
    Json object = Json::object();
    AddDeviceKeys(object, device);
    return object.dump();
}

std::string FormatNdjsonLine(const char* event, const FoundDevice& device, std::chrono::system_clock::time_point time)
{
    Json object = Json{{"event", event}, {"time", Rfc3339(time)}, {"version", kOutputFormatVersion}};
    AddDeviceKeys(object, device);
    return object.dump() + '\n';
}

}  // namespace signseek
