#include "checks/LinuxRuntimes.h"
#include "checks/CommandRunner.h"
#include "common/TextEncoding.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace signseek {

namespace {

std::optional<std::string> ReleaseFileVersion(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return ReleaseJavaVersion(text.str());
}

std::wstring Accepted(const std::optional<std::string>& version)
{
    if (!version || version->size() > MAX_VERSION_LENGTH) return {};
    return WidenLatin1(*version);
}

}  // namespace

std::optional<std::string> ReleaseJavaVersion(std::string_view releaseText)
{
    constexpr std::string_view key = "JAVA_VERSION=";
    std::size_t at = 0;
    while (at < releaseText.size()) {
        std::size_t end = releaseText.find('\n', at);
        if (end == std::string_view::npos) end = releaseText.size();
        std::string_view line = releaseText.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.substr(0, key.size()) == key) {
            std::string_view value = line.substr(key.size());
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (value.empty()) return std::nullopt;
            return std::string(value);
        }
        at = end + 1;
    }
    return std::nullopt;
}

std::optional<std::string> JavaVersionFromBanner(std::string_view banner)
{
    constexpr std::string_view marker = "version \"";
    std::size_t at = 0;
    while (at < banner.size()) {
        std::size_t end = banner.find('\n', at);
        if (end == std::string_view::npos) end = banner.size();
        std::string_view line = banner.substr(at, end - at);
        std::size_t open = line.find(marker);
        if (open != std::string_view::npos) {
            std::string_view rest = line.substr(open + marker.size());
            std::size_t close = rest.find('"');
            if (close != std::string_view::npos && close > 0) return std::string(rest.substr(0, close));
        }
        at = end + 1;
    }
    return std::nullopt;
}

std::wstring LinuxJavaVersionReader::Read() const
{
    std::string searchPath = m_locations.searchPath.empty() ? ProcessSearchPath() : m_locations.searchPath;
    std::string java = FindOnPath("java", searchPath);
    if (java.empty())
        return Accepted(ReleaseFileVersion(std::filesystem::path(m_locations.defaultRuntime) / "release"));

    std::error_code error;
    std::filesystem::path target = std::filesystem::canonical(java, error);
    if (!error && target.parent_path().filename() == "bin") {
        std::optional<std::string> version = ReleaseFileVersion(target.parent_path().parent_path() / "release");
        if (version) return Accepted(version);
    }
    CommandResult result = RunCommand({java, "-version"}, searchPath, m_locations.timeLimit);
    if (result.outcome != CommandResult::Outcome::Exited || result.exitCode != 0) return {};
    // The banner goes to standard error; some wrappers print it to output.
    std::optional<std::string> version = JavaVersionFromBanner(result.errors);
    return Accepted(version ? version : JavaVersionFromBanner(result.output));
}

void XdgOpenLauncher::Open(const std::wstring& url)
{
    StartDetached({"xdg-open", WideToUtf8(url)}, ProcessSearchPath());
}

}  // namespace signseek
