#include "settings/DiscoverySettings.h"

#include "common/TextHelpers.h"
#include "settings/SettingsBounds.h"
#include "settings/SettingsFolder.h"
#include "settings/SettingsLocation.h"

#include <cstdio>

namespace signseek {

std::atomic<std::int32_t> g_nReceiveTimeout{DEFAULT_RECEIVE_TIMEOUT};
std::atomic<std::int32_t> g_nDiscoveryTimeout{DEFAULT_DISCOVERY_TIMEOUT};
std::atomic<std::int32_t> g_nDiscoveryPort{DEFAULT_DISCOVERY_PORT};
std::atomic<std::int32_t> g_nDiscoveryTTL{DEFAULT_DISCOVERY_TTL};

namespace {

// The first line is read into a buffer of 200 including the terminator.
constexpr std::size_t kMaxLineLength = 199;

constexpr char kFileName[] = "settings.csv";

std::string FolderPath(const std::string& dataFolder) { return dataFolder + "/Marvane/Discovery"; }

}  // namespace

std::string SettingsFilePath(const std::string& dataFolder) { return dataFolder + "/Marvane/Discovery/settings.csv"; }

void CDiscoverySettings::ParseLine(std::string_view line)
{
    // The line is a C string to the parser: a NUL ends it.
    line = line.substr(0, line.find('\0'));
    std::int32_t* const fileOrder[] = {&m_values.receiveTimeout, &m_values.discoveryTimeout, &m_values.discoveryPort,
                                       &m_values.ttl};
    std::size_t position = 0;
    std::size_t start = 0;
    while (start <= line.size() && position < std::size(fileOrder)) {
        std::size_t end = line.find(',', start);
        if (end == std::string_view::npos) end = line.size();
        if (end > start) *fileOrder[position++] = LeadingInteger(line.substr(start, end - start));
        start = end + 1;
    }
}

std::string CDiscoverySettings::FormatLine() const
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d,%d,%d,%d\n", m_values.receiveTimeout, m_values.discoveryTimeout,
                  m_values.discoveryPort, m_values.ttl);
    return buffer;
}

std::vector<std::string> CDiscoverySettings::Load() { return Load(signseek::CommonAppDataFolder()); }

bool CDiscoverySettings::Save() const { return Save(signseek::CommonAppDataFolder()); }

std::vector<std::string> CDiscoverySettings::Load(const std::string& dataFolder)
{
    std::vector<std::string> notes;
    if (dataFolder.empty()) return notes;
    const SettingsFolderHandle folder = OpenSettingsFolder(dataFolder, false);
    if (!folder.problem.empty()) notes.push_back(FolderPath(dataFolder) + " " + folder.problem + "; it is not read");
    if (folder.folder.Get() < 0) return notes;
    const FirstLine first = ReadFirstLine(folder.folder.Get(), kFileName, kMaxLineLength);
    const std::string path = SettingsFilePath(dataFolder);
    if (!first.problem.empty()) notes.push_back(path + " " + first.problem + "; it is not read");
    if (!first.line) return notes;
    CDiscoverySettings read = *this;
    read.ParseLine(*first.line);
    BoundedSettings bounded = BoundSettings(read.m_values);
    m_values = bounded.values;
    for (const std::string& ignored : bounded.ignored) notes.push_back(path + ": " + ignored);
    return notes;
}

bool CDiscoverySettings::Save(const std::string& dataFolder) const { return SaveFailure(dataFolder).empty(); }

std::string CDiscoverySettings::SaveFailure(const std::string& dataFolder) const
{
    if (dataFolder.empty()) return "there is no machine-wide data folder";
    const SettingsFolderHandle folder = OpenSettingsFolder(dataFolder, true);
    if (folder.folder.Get() < 0)
        return FolderPath(dataFolder) + " " + (folder.problem.empty() ? "is missing" : folder.problem);
    const std::string failure = ReplaceFile(folder.folder.Get(), kFileName, FormatLine());
    return failure.empty() ? failure : SettingsFilePath(dataFolder) + " " + failure;
}

void PublishSettings(const DiscoveryValues& values)
{
    g_nReceiveTimeout = values.receiveTimeout;
    g_nDiscoveryTimeout = values.discoveryTimeout;
    g_nDiscoveryPort = values.discoveryPort;
    g_nDiscoveryTTL = values.ttl;
}

DiscoveryValues PublishedSettings()
{
    DiscoveryValues values;
    values.discoveryTimeout = g_nDiscoveryTimeout.load();
    values.receiveTimeout = g_nReceiveTimeout.load();
    values.discoveryPort = g_nDiscoveryPort.load();
    values.ttl = g_nDiscoveryTTL.load();
    return values;
}

}  // namespace signseek
