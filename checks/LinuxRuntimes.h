#pragma once

#include "checks/RuntimeManipulators.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace signseek {

// The version of the default Java runtime: the java found on the search
// path, followed through its links to <runtime>/bin/java; the JAVA_VERSION
// of <runtime>/release, else the version `java -version` prints. Without a
// java on the path, the release file of the system's default runtime folder.
class LinuxJavaVersionReader : public VersionReader {
public:
    struct Locations {
        std::string searchPath;  // empty: this process's PATH
        std::string defaultRuntime = "/usr/lib/jvm/default-java";
        std::chrono::milliseconds timeLimit{10000};
    };
    LinuxJavaVersionReader() = default;
    explicit LinuxJavaVersionReader(Locations locations) : m_locations(std::move(locations)) {}

    std::wstring Read() const override;

private:
    Locations m_locations;
};

// Longest version text accepted; a longer one counts as not found.
inline constexpr std::size_t MAX_VERSION_LENGTH = 259;

// The JAVA_VERSION value of a release file's text, quotes removed; nothing
// when it is missing or empty.
std::optional<std::string> ReleaseJavaVersion(std::string_view releaseText);

// The quoted version of the first line of `java -version` output that
// carries one ("openjdk version "17.0.9" 2023-10-17").
std::optional<std::string> JavaVersionFromBanner(std::string_view banner);

// Silverlight was never made for Linux: no version, and no runtime to get.
class NoSilverlightRuntime : public VersionReader {
public:
    std::wstring Read() const override { return {}; }
    bool RuntimeExists() const override { return false; }
};

// Opens pages with xdg-open, the desktop's default browser.
class XdgOpenLauncher : public UrlLauncher {
public:
    void Open(const std::wstring& url) override;
};

}  // namespace signseek
