#include "present/ResultPrinter.h"
#include "common/TextEncoding.h"
#include "common/VendorConstants.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace signseek {

namespace {

std::string VendorScope(const char* path) { return std::string(VENDOR_URI_ROOT) + path; }

FoundDevice Player()
{
    DeviceRecord r;
    r.address = "urn:uuid:1";
    r.types = "x8";
    r.scopes = std::string(VENDOR_URI_ROOT) + "scopes/marvane/Ferro/X8";
    r.xAddrs = "http://10.0.0.7:80/";
    r.metadataVersion = 3;
    r.metadata = {"<Description>Caf\xE9 \"Wall\", left</Description>",
                  "<Height>96</Height>",
                  "<Width>192</Width>",
                  "<DHCPName>ferro-1</DHCPName>",
                  "<MAC>00-11</MAC>",
                  "<Services>ns3:quellad:8080</Services>"};
    r.sourceAddress = "10.0.0.7";
    r.adapter = "10.0.0.1";
    return {"devices", r};
}

TEST(ResultJson, EveryFieldWithDerivedValues)
{
    auto json = nlohmann::ordered_json::parse(FormatJson({Player()}));
    ASSERT_EQ(1u, json["devices"].size());
    const auto& d = json["devices"][0];
    std::vector<std::string> keys;
    for (auto it = d.begin(); it != d.end(); ++it) keys.push_back(it.key());
    EXPECT_EQ((std::vector<std::string>{
                  "run",      "address",          "types",   "matchBy",    "scopes",   "xAddrs",    "metadataVersion",
                  "metadata", "sourceAddress",    "name",    "dimensions", "dhcpName", "ipAddress", "mac",
                  "services", "discoveryVersion", "webPage", "adapter",    "via",      "height",    "width",
                  "rows",     "columns",          "host",    "hosts"}),
              keys);
    EXPECT_EQ(1, json["version"]);
    EXPECT_EQ("10.0.0.1", d["adapter"]);
    EXPECT_EQ("devices", d["run"]);
    EXPECT_EQ(3, d["metadataVersion"]);
    EXPECT_EQ("Caf\xC3\xA9 \"Wall\", left", d["name"]);  // Latin-1 text arrives as UTF-8
    EXPECT_EQ("96X192", d["dimensions"]);
    EXPECT_EQ("ferro-1", d["dhcpName"]);
    EXPECT_EQ("00-11", d["mac"]);
    EXPECT_EQ(nlohmann::ordered_json::array({"Configuration:8080"}), d["services"]);
    EXPECT_EQ(6u, d["metadata"].size());
    EXPECT_EQ(96, d["height"]);
    EXPECT_EQ(192, d["width"]);
    EXPECT_TRUE(d["rows"].is_null());
    EXPECT_EQ("10.0.0.7", d["host"]);
}

// The list is written device by device; it must read as one document laid
// out whole, also with a site, text that holds line feeds and no devices.
TEST(ResultJson, WrittenPieceByPieceItIsLaidOutAsOneDocument)
{
    FoundDevice second = Player();
    second.record.metadata = {"<Description>two\nlines\r\n{ \"x\": [1] }</Description>"};
    second.site = "north";
    for (const std::vector<FoundDevice>& devices :
         {std::vector<FoundDevice>{}, {Player()}, {Player(), second, Player()}}) {
        std::size_t pieces = 0;
        std::string written;
        WriteJson(devices, [&](std::string_view piece) {
            ++pieces;
            written += piece;
            return true;
        });
        EXPECT_EQ(nlohmann::ordered_json::parse(written).dump(2) + '\n', written);
        EXPECT_EQ(written, FormatJson(devices));
        EXPECT_GE(pieces, devices.size());
        // A list handed over, whose records go as their text is made, gives the same text in each format.
        const auto consumed = [&devices](void (*write)(std::vector<FoundDevice>&&, const TextOutput&)) {
            std::string text;
            write(std::vector<FoundDevice>(devices), [&text](std::string_view piece) {
                text += piece;
                return true;
            });
            return text;
        };
        EXPECT_EQ(FormatJson(devices), consumed(WriteJson));
        EXPECT_EQ(FormatCsv(devices), consumed(WriteCsv));
        EXPECT_EQ(FormatTable(devices), consumed(WriteTable));
    }
    // A refused piece ends the writing.
    std::size_t offered = 0;
    WriteJson({Player(), Player(), Player()}, [&](std::string_view) { return ++offered < 2; });
    EXPECT_EQ(2u, offered);
}

TEST(ResultJson, WhatIsUnknownIsNullAndCountsAreNumbers)
{
    struct Case {
        std::string scopes;
        std::vector<std::string> metadata;
        std::string xAddrs;
        nlohmann::ordered_json name, height, width, rows, columns, host, hosts;
    } cases[] = {
        // A bridge with nothing reported: the window's "0X0" and "<none>" are not data.
        {VendorScope("scopes/marvane/Halden/Bridge"),
         {},
         "http://[FE80::1]:81/b",
         nullptr,
         nullptr,
         nullptr,
         nullptr,
         nullptr,
         "fe80::1",
         {"fe80::1"}},
        {VendorScope("2011/videoprocessor/lyrax"),
         {"<Rows>47</Rows>", "<Columns>63</Columns>", "<Height>5</Height>"},
         "http://10.0.0.8/a http://10.0.0.9/b",
         "Unknown Lyrax-80",
         nullptr,
         nullptr,
         48,
         64,
         "10.0.0.8",
         {"10.0.0.8", "10.0.0.9"}},
        {VendorScope("2011/videoprocessor/lyrax"),
         {"<Rows>0</Rows>", "<Columns>63</Columns>"},
         "",
         "Unknown Lyrax-80",
         nullptr,
         nullptr,
         nullptr,
         nullptr,
         nullptr,
         nlohmann::ordered_json::array()},
        // After a merge xAddrs is the bare host; the host key keeps its shape.
        {VendorScope("2011/player/tovo"),
         {"<Description>P</Description>", "<Height>1080</Height>"},
         "10.0.0.7",
         "P",
         1080,
         nullptr,
         nullptr,
         nullptr,
         "10.0.0.7",
         {"10.0.0.7"}},
    };
    for (const Case& c : cases) {
        FoundDevice device = Player();
        device.record.scopes = c.scopes;
        device.record.metadata = c.metadata;
        device.record.xAddrs = c.xAddrs;
        device.record.sourceAddress.clear();
        const auto d = nlohmann::ordered_json::parse(FormatJson({device}))["devices"][0];
        EXPECT_EQ(c.name, d["name"]) << c.xAddrs;
        EXPECT_EQ(c.height, d["height"]) << c.xAddrs;
        EXPECT_EQ(c.width, d["width"]) << c.xAddrs;
        EXPECT_EQ(c.rows, d["rows"]) << c.xAddrs;
        EXPECT_EQ(c.columns, d["columns"]) << c.xAddrs;
        EXPECT_EQ(c.host, d["host"]) << c.xAddrs;
        EXPECT_EQ(c.hosts, d["hosts"]) << c.xAddrs;
        EXPECT_EQ(Latin1ToUtf8(c.xAddrs), d["xAddrs"]);  // as the merge rule left it
        EXPECT_TRUE(d["dhcpName"].is_null());
        EXPECT_TRUE(d["ipAddress"].is_null());
        EXPECT_TRUE(d["discoveryVersion"].is_null());
    }
    // The table still shows what the window shows.
    FoundDevice unnamed = Player();
    unnamed.record.metadata.clear();
    EXPECT_NE(std::string::npos, FormatTable({unnamed}).find("<none>  0X0"));
}

TEST(ResultNdjson, EachLineSaysWhenInUtcAndWhichVersion)
{
    using namespace std::chrono;
    const struct {
        system_clock::time_point time;
        const char* text;
    } cases[] = {
        {system_clock::time_point{}, "1970-01-01T00:00:00.000Z"},
        {system_clock::time_point{milliseconds(1796854503123)}, "2026-12-09T22:15:03.123Z"},
        {system_clock::time_point{milliseconds(951782400999)}, "2000-02-29T00:00:00.999Z"},
    };
    for (const auto& c : cases) {
        const std::string line = FormatNdjsonLine("lost", Player(), c.time);
        ASSERT_EQ(1, std::count(line.begin(), line.end(), '\n'));
        const auto json = nlohmann::ordered_json::parse(line);
        EXPECT_EQ("lost", json.begin().value());
        EXPECT_EQ(c.text, json["time"]);
        EXPECT_EQ(1, json["version"]);
        EXPECT_EQ("10.0.0.7", json["host"]);
    }
}

TEST(ResultJson, DeviceTextIsShownDecodedAndMetadataStaysAsReceived)
{
    FoundDevice device = Player();
    device.record.metadata = {"<Description>Caf\xc3\xa9 Z\xc3\xbcrich &amp; R&amp;D &lt;Lab&gt;</Description>",
                              "<DHCPName>&#x6771;&#x4EAC; Lobby</DHCPName>", "<MAC>\xff</MAC>",
                              "<Services>caf&#xE9;:8080</Services>"};
    auto json = nlohmann::ordered_json::parse(FormatJson({device}));
    const auto& d = json["devices"][0];
    EXPECT_EQ("Caf\xc3\xa9 Z\xc3\xbcrich & R&D <Lab>", d["name"]);
    EXPECT_EQ("\xe6\x9d\xb1\xe4\xba\xac Lobby", d["dhcpName"]);
    EXPECT_EQ("\xc3\xbf", d["mac"]);
    EXPECT_EQ(nlohmann::ordered_json::array({"caf\xc3\xa9:8080"}), d["services"]);
    EXPECT_EQ("<Description>Caf\xc3\xa9 Z\xc3\xbcrich &amp; R&amp;D &lt;Lab&gt;</Description>", d["metadata"][0]);
    EXPECT_EQ("<DHCPName>&#x6771;&#x4EAC; Lobby</DHCPName>", d["metadata"][1]);
    EXPECT_EQ("<MAC>\xc3\xbf</MAC>", d["metadata"][2]);

    EXPECT_NE(std::string::npos, FormatTable({device}).find("Caf\xc3\xa9 Z\xc3\xbcrich & R&D <Lab>  "));
    EXPECT_NE(std::string::npos,
              FormatCsv({device}).find("Caf\xc3\xa9 Z\xc3\xbcrich & R&D <Lab>,0X0,\xe6\x9d\xb1\xe4\xba\xac Lobby,"));
}

TEST(ResultJson, HostileRecordHasNoWebPageAndStaysValidJson)
{
    FoundDevice hostile = Player();
    hostile.record.sourceAddress = "10.0.0.7\"; rm -rf /";
    hostile.record.metadata.push_back(std::string("<Services>x:\x01\x1b[2J</Services>"));
    auto json = nlohmann::ordered_json::parse(FormatJson({hostile}));
    EXPECT_TRUE(json["devices"][0]["webPage"].is_null());
    auto empty = nlohmann::ordered_json::parse(FormatJson({}));
    EXPECT_TRUE(empty["devices"].is_array());
    EXPECT_TRUE(empty["devices"].empty());
}

FoundDevice Named(const std::string& run, const std::string& name, const std::string& source)
{
    FoundDevice d = Player();
    d.run = run;
    d.record.metadata[0] = "<Description>" + name + "</Description>";
    d.record.sourceAddress = source;
    return d;
}

TEST(ResultCsv, QuotesSeparatorsDefusesFormulasAndAddsTheDeviceColumns)
{
    FoundDevice formula = Player();
    formula.record.metadata[0] = "<Description>=HYPERLINK(\"x\")</Description>";
    std::string csv = FormatCsv({Player(), formula});
    EXPECT_EQ(
        "Name,Dimensions,DHCP Name,IP Address,Endpoint Address,MAC,Web Page,Services,Discovery Version,Adapter,Via\r\n"
        "\"'=HYPERLINK(\"\"x\"\")\",96X192,ferro-1,10.0.0.7,urn:uuid:1,00-11,http://10.0.0.7:80/,"
        "Configuration:8080,,10.0.0.1,multicast\r\n"
        "\"Caf\xC3\xA9 \"\"Wall\"\", left\",96X192,ferro-1,10.0.0.7,urn:uuid:1,00-11,http://10.0.0.7:80/,"
        "Configuration:8080,,10.0.0.1,multicast\r\n",
        csv);
}

TEST(ResultCsv, FormulaGuardLooksPastLeadingBlanksTabsAndReturns)
{
    struct Case {
        std::string name;
        std::string cell;
    } cases[] = {
        {"\t=cmd|' /C calc'!A0", "'\t=cmd|' /C calc'!A0"},
        {"\t\n=1+1", "\"'\t\n=1+1\""},
        {"\r=1+1", "\xEF\xBF\xBD=1+1"},  // a carriage return is not kept in the first place
        {"  =1+1", "'  =1+1"},
        {" @SUM(A1)", "' @SUM(A1)"},
        {"\tplain", "'\tplain"},
        {"-5 dB", "'-5 dB"},
        {"Lobby =1", "Lobby =1"},
    };
    for (const Case& c : cases) {
        std::string csv = FormatCsv({Named("devices", c.name, "10.0.0.7")});
        std::string row = csv.substr(csv.find("\r\n") + 2);
        EXPECT_EQ(0u, row.find(c.cell + ",")) << row;
    }
}

TEST(ResultOrder, ByRunThenNameThenAddressInTableAndCsv)
{
    std::vector<FoundDevice> found = {Named("devices", "Beta", "10.0.0.10"), Named("devices", "Alpha", "10.0.0.2"),
                                      Named("bridges", "Aardvark", "10.0.0.1"), Named("devices", "Beta", "10.0.0.9")};
    std::string table = FormatTable(found);
    std::vector<std::size_t> at;
    for (const char* expected : {"Alpha", "Beta  ", "Beta  ", "Aardvark"}) {
        std::size_t from = at.empty() ? 0 : at.back() + 1;
        at.push_back(table.find(expected, from));
        ASSERT_NE(std::string::npos, at.back()) << expected << "\n" << table;
    }
    EXPECT_LT(table.find("10.0.0.9"), table.find("10.0.0.10"));
    std::string csv = FormatCsv(found);
    EXPECT_LT(csv.find("Alpha"), csv.find("Beta"));
    EXPECT_LT(csv.find("10.0.0.9"), csv.find("10.0.0.10"));
    EXPECT_LT(csv.find("10.0.0.10"), csv.find("Aardvark"));
    // The same devices in another order print the same.
    std::vector<FoundDevice> shuffled = {found[3], found[2], found[1], found[0]};
    EXPECT_EQ(table, FormatTable(shuffled));
    EXPECT_EQ(csv, FormatCsv(shuffled));
}

TEST(ResultOrder, NamesSortAsTheWindowListsThemWithoutCase)
{
    std::vector<FoundDevice> found = {Named("devices", "Unknown Lyrax-80", "10.0.0.1"),
                                      Named("devices", "b lower case", "10.0.0.2"),
                                      Named("devices", "A upper", "10.0.0.3")};
    for (const std::string& text : {FormatTable(found), FormatCsv(found)}) {
        EXPECT_LT(text.find("A upper"), text.find("b lower case")) << text;
        EXPECT_LT(text.find("b lower case"), text.find("Unknown Lyrax-80")) << text;
    }
}

TEST(ResultTable, CellsAreCountedAndCutInTerminalColumns)
{
    // Wide characters take two columns, combining marks none.
    const struct {
        std::string name;
        std::size_t columns;
    } names[] = {
        {"\xe6\x9d\xb1\xe4\xba\xac", 4},  // two CJK ideographs
        {"\xf0\x9f\x93\xba", 2},          // a television
        {"Cafe\xcc\x81", 4},              // e and a combining acute
        {"Plain", 5},
    };
    std::vector<FoundDevice> found;
    for (const auto& n : names) found.push_back(Named("devices", n.name, "10.0.0." + std::to_string(found.size())));
    std::istringstream lines(FormatTable(found));
    std::string line;
    std::getline(lines, line);
    const std::size_t header = line.find("Dimensions");  // an ASCII line: bytes are columns
    std::set<std::string> seen;
    while (std::getline(lines, line)) {
        for (const auto& n : names) {
            if (line.rfind(n.name, 0) != 0) continue;
            seen.insert(n.name);
            // After the name the line is ASCII again.
            EXPECT_EQ(header, line.find("96X192") - n.name.size() + n.columns) << line;
        }
    }
    EXPECT_EQ(4u, seen.size());
    // A cut keeps whole characters within 40 columns, the ellipsis included.
    std::string long_wide;
    for (int i = 0; i < 30; ++i) long_wide += "\xe6\x9d\xb1";
    const std::string table = FormatTable({Named("devices", long_wide, "10.0.0.1")});
    std::string cut;
    for (int i = 0; i < 19; ++i) cut += "\xe6\x9d\xb1";
    EXPECT_NE(std::string::npos, table.find(cut + "\xE2\x80\xA6  ")) << table;
    EXPECT_EQ(std::string::npos, table.find(cut + "\xe6\x9d\xb1"));
}

TEST(ResultTable, DeviceTextCannotForgeRowsOrWidenTheTable)
{
    FoundDevice forged = Named("devices", "Lobby\n10.6.6.6  forged\tx\rz", "10.0.0.7");
    FoundDevice huge = Named("devices", std::string(100000, 'W'), "10.0.0.8");
    std::string table = FormatTable({forged, huge});
    EXPECT_EQ(3, std::count(table.begin(), table.end(), '\n')) << table;  // header and two rows
    EXPECT_EQ(std::string::npos, table.find('\t'));
    EXPECT_EQ(std::string::npos, table.find('\r'));
    EXPECT_NE(std::string::npos, table.find("Lobby 10.6.6.6  forged x"));
    EXPECT_NE(std::string::npos, table.find(std::string(39, 'W') + "\xE2\x80\xA6  "));
    EXPECT_EQ(std::string::npos, table.find(std::string(40, 'W')));
    EXPECT_LT(table.size(), 400u);
    // JSON and CSV keep the whole text.
    EXPECT_NE(std::string::npos, FormatCsv({huge}).find(std::string(100000, 'W')));
    EXPECT_NE(std::string::npos, FormatJson({forged}).find("Lobby\\n10.6.6.6"));
}

TEST(ResultTable, ColumnsLineUpAndControlCharactersAreDefused)
{
    FoundDevice escape = Player();
    escape.record.metadata[0] = "<Description>\x1b[31mred</Description>";
    std::string table = FormatTable({Player(), escape});
    EXPECT_EQ(std::string::npos, table.find('\x1b'));
    // Direction controls, zero-width characters and the byte-order mark are shown as U+FFFD.
    for (const char* hidden : {"\xE2\x80\xAE", "\xE2\x81\xA6", "\xE2\x80\x8B", "\xE2\x80\x8D", "\xE2\x80\x8F",
                               "\xE2\x81\xA0", "\xEF\xBB\xBF", "\xD8\x9C"}) {
        FoundDevice masked = Player();
        masked.record.metadata[0] = std::string("<Description>Lo") + hidden + "bby</Description>";
        const std::string cell = FormatTable({masked});
        EXPECT_EQ(std::string::npos, cell.find(hidden)) << cell;
        EXPECT_NE(std::string::npos, cell.find("Lo\xEF\xBF\xBD"
                                               "bby"))
            << cell;
    }
    std::istringstream lines(table);
    std::string header, first, second;
    std::getline(lines, header);
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(0u, header.find("Name"));
    // "Dimensions" starts in the same column on every line (counted in characters).
    auto column = [](const std::string& line, const std::string& what) {
        std::size_t bytes = line.find(what);
        std::size_t chars = 0;
        for (std::size_t i = 0; i < bytes; ++i) chars += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
        return chars;
    };
    EXPECT_EQ(column(header, "Dimensions"), column(first, "96X192"));
    EXPECT_EQ(column(header, "Dimensions"), column(second, "96X192"));
    EXPECT_EQ("No devices found.\n", FormatTable({}));
}

}  // namespace

}  // namespace signseek
