#include "settings/DiscoverySettings.h"

#include "common/TextHelpers.h"
#include "settings/SettingsLocation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace signseek {

std::atomic<std::int32_t> g_nReceiveTimeout{DEFAULT_RECEIVE_TIMEOUT};
std::atomic<std::int32_t> g_nDiscoveryTimeout{DEFAULT_DISCOVERY_TIMEOUT};
std::atomic<std::int32_t> g_nDiscoveryPort{DEFAULT_DISCOVERY_PORT};
std::atomic<std::int32_t> g_nDiscoveryTTL{DEFAULT_DISCOVERY_TTL};

namespace {

// The first line is read into a buffer of 200 including the terminator.
constexpr std::size_t kMaxLineLength = 199;

// Reads the first line: CR LF counts as one line break (the file may have
// been written with them), and at most kMaxLineLength characters are kept. Only regular
// files are read, so a FIFO or device in the file's place cannot block us.
bool ReadFirstLine(const std::string& path, std::string& line)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    std::FILE* file = ::fdopen(fd, "r");
    if (file == nullptr) {
        ::close(fd);
        return false;
    }
    line.clear();
    while (line.size() < kMaxLineLength) {
        int c = std::getc(file);
        if (c == EOF || c == '\n') break;
        if (c == '\r') {
            int next = std::getc(file);
            if (next == '\n') break;
            if (next != EOF) std::ungetc(next, file);
        }
        line.push_back(static_cast<char>(c));
    }
    std::fclose(file);
    return true;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

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

void CDiscoverySettings::Load() { Load(signseek::CommonAppDataFolder()); }

bool CDiscoverySettings::Save() const { return Save(signseek::CommonAppDataFolder()); }

void CDiscoverySettings::Load(const std::string& dataFolder)
{
    if (dataFolder.empty()) return;
    std::string line;
    if (ReadFirstLine(SettingsFilePath(dataFolder), line)) ParseLine(line);
}

bool CDiscoverySettings::Save(const std::string& dataFolder) const
{
    if (dataFolder.empty()) return false;
    // Only the last level is created; a missing "Marvane" makes the save fail.
    ::mkdir((dataFolder + "/Marvane/Discovery").c_str(), 0777);

    // Write a temporary file beside the real one and rename it into place, so
    // a crash or a full disk leaves the old file whole.
    const std::string path = SettingsFilePath(dataFolder);
    std::string temp = path + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, 0644) == 0 && WriteAll(fd, FormatLine()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
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
