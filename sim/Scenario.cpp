#include "sim/Scenario.h"

#include <nlohmann/json.hpp>

#include <array>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

namespace signseek::sim {
namespace {

// Keeps the file's key order: extension elements go out in that order.
using Json = nlohmann::ordered_json;

constexpr std::array kKnownExtensions = {"Description",      "Height",  "Width",    "Rows",
                                         "Columns",          "MAC",     "DHCPName", "ComputerName",
                                         "DiscoveryVersion", "Services"};

constexpr std::array kDeviceKeys = {"address",    "types",  "scopes", "xAddrs",     "metadataVersion",
                                    "extensions", "answer", "hello",  "maxDelayMs", "schedule"};

constexpr std::array kScheduleKeys = {"afterMs", "stayMs", "awayMs"};
constexpr std::int64_t kMaxScheduleMs = 7 * 86400 * 1000;

// The message of the first fault; parsing stops there.
struct Fault {
    std::string message;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) { throw Fault{where + ": " + what}; }

std::string Text(const Json& value, const std::string& where)
{
    if (!value.is_string()) Fail(where, "expected a string");
    std::string latin1;
    if (!Utf8ToLatin1(value.get<std::string>(), latin1))
        Fail(where, "text must be valid UTF-8 with characters up to U+00FF");
    return latin1;
}

// A list value: one string, or an array of strings joined by spaces.
std::string ListText(const Json& value, const std::string& where)
{
    if (value.is_string()) return Text(value, where);
    if (!value.is_array()) Fail(where, "expected a string or an array of strings");
    std::string joined;
    for (std::size_t i = 0; i < value.size(); ++i) {
        std::string item = Text(value[i], where + "[" + std::to_string(i) + "]");
        if (item.empty() || item.find_first_of(" \t\r\n") != std::string::npos)
            Fail(where + "[" + std::to_string(i) + "]", "an item must be non-empty and without blanks");
        if (!joined.empty()) joined += ' ';
        joined += item;
    }
    return joined;
}

std::int64_t Integer(const Json& value, const std::string& where, std::int64_t low, std::int64_t high)
{
    if (!value.is_number_integer()) Fail(where, "expected an integer");
    if (value.is_number_unsigned() && value.get<std::uint64_t>() > static_cast<std::uint64_t>(high))
        Fail(where, "out of range " + std::to_string(low) + ".." + std::to_string(high));
    std::int64_t n = value.get<std::int64_t>();
    if (n < low || n > high) Fail(where, "out of range " + std::to_string(low) + ".." + std::to_string(high));
    return n;
}

Schedule ReadSchedule(const Json& value, const std::string& where)
{
    if (!value.is_object()) Fail(where, "expected an object with \"stayMs\" and optional \"afterMs\", \"awayMs\"");
    for (const auto& [key, ignored] : value.items()) {
        (void)ignored;
        if (std::find(kScheduleKeys.begin(), kScheduleKeys.end(), key) == kScheduleKeys.end())
            Fail(where + "." + key, "unknown field");
    }
    Schedule s;
    if (!value.contains("stayMs")) Fail(where, "missing \"stayMs\"");
    s.stayMs = static_cast<int>(Integer(value["stayMs"], where + ".stayMs", 1, kMaxScheduleMs));
    if (value.contains("afterMs"))
        s.afterMs = static_cast<int>(Integer(value["afterMs"], where + ".afterMs", 0, kMaxScheduleMs));
    if (value.contains("awayMs"))
        s.awayMs = static_cast<int>(Integer(value["awayMs"], where + ".awayMs", 1, kMaxScheduleMs));
    return s;
}

Device ReadDevice(const Json& item, const std::string& where)
{
    if (!item.is_object()) Fail(where, "expected an object");
    for (const auto& [key, value] : item.items()) {
        (void)value;
        if (std::find(kDeviceKeys.begin(), kDeviceKeys.end(), key) == kDeviceKeys.end())
            Fail(where + "." + key, "unknown field");
    }
    Device d;
    if (!item.contains("address")) Fail(where, "missing \"address\"");
    d.address = Text(item["address"], where + ".address");
    if (d.address.empty()) Fail(where + ".address", "must not be empty");
    if (item.contains("types")) d.types = ListText(item["types"], where + ".types");
    if (item.contains("scopes")) d.scopes = ListText(item["scopes"], where + ".scopes");
    if (item.contains("xAddrs")) d.xAddrs = ListText(item["xAddrs"], where + ".xAddrs");
    if (item.contains("metadataVersion"))
        d.metadataVersion = static_cast<std::uint32_t>(
            Integer(item["metadataVersion"], where + ".metadataVersion", 0, std::numeric_limits<std::uint32_t>::max()));
    if (item.contains("extensions")) {
        const Json& ext = item["extensions"];
        const std::string at = where + ".extensions";
        if (!ext.is_object()) Fail(at, "expected an object of element names and texts");
        for (const auto& [name, value] : ext.items()) {
            if (!IsKnownExtension(name))
                Fail(at + "." + name, "unknown extension element (known: Description, Height, Width, Rows, Columns, "
                                      "MAC, DHCPName, ComputerName, DiscoveryVersion, Services)");
            std::string text;
            if (value.is_number_integer())
                text = value.dump();
            else if (value.is_string())
                text = Text(value, at + "." + name);
            else
                Fail(at + "." + name, "expected a string or an integer");
            d.extensions.emplace_back(name, text);
        }
    }
    if (item.contains("answer")) {
        std::string mode = Text(item["answer"], where + ".answer");
        if (mode == "auto")
            d.answer = AnswerMode::Auto;
        else if (mode == "http")
            d.answer = AnswerMode::HttpOnly;
        else if (mode == "udp")
            d.answer = AnswerMode::UdpOnly;
        else
            Fail(where + ".answer", "expected \"auto\", \"http\" or \"udp\"");
    }
    if (item.contains("hello")) {
        if (!item["hello"].is_boolean()) Fail(where + ".hello", "expected true or false");
        d.hello = item["hello"].get<bool>();
    }
    if (item.contains("maxDelayMs"))
        d.maxDelayMs = static_cast<int>(Integer(item["maxDelayMs"], where + ".maxDelayMs", 0, 60000));
    if (item.contains("schedule")) d.schedule = ReadSchedule(item["schedule"], where + ".schedule");
    return d;
}

}  // namespace

bool IsKnownExtension(const std::string& name)
{
    return std::find(kKnownExtensions.begin(), kKnownExtensions.end(), name) != kKnownExtensions.end();
}

bool Utf8ToLatin1(const std::string& utf8, std::string& latin1)
{
    latin1.clear();
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size() &&
                   (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
            latin1 += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

ScenarioResult ParseScenario(const std::string& jsonText)
{
    ScenarioResult result;
    Json root;
    try {
        root = Json::parse(jsonText);
    } catch (const Json::exception& e) {
        result.error = std::string("scenario is not valid JSON: ") + e.what();
        return result;
    }
    try {
        if (!root.is_object()) Fail("scenario", "expected an object with a \"devices\" array");
        for (const auto& [key, value] : root.items()) {
            (void)value;
            if (key != "devices") Fail("scenario." + key, "unknown field");
        }
        if (!root.contains("devices") || !root["devices"].is_array())
            Fail("scenario", "expected an object with a \"devices\" array");
        const Json& list = root["devices"];
        std::set<std::string> addresses;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string where = "devices[" + std::to_string(i) + "]";
            Device d = ReadDevice(list[i], where);
            if (!addresses.insert(d.address).second) Fail(where + ".address", "\"" + d.address + "\" is used twice");
            result.devices.push_back(std::move(d));
        }
    } catch (const Fault& f) {
        result.devices.clear();
        result.error = f.message;
    }
    return result;
}

ScenarioResult LoadScenarioFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return {{}, "cannot read scenario file " + path};
    std::ostringstream text;
    text << in.rdbuf();
    ScenarioResult result = ParseScenario(text.str());
    if (!result.ok()) result.error = path + ": " + result.error;
    return result;
}

}  // namespace signseek::sim