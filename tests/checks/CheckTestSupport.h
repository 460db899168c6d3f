#pragma once

#include "checks/AdminUserManipulator.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace signseek::test {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "signseek-checks-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) m_path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const std::string& path, const std::string& content)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// A /bin/sh script standing in for a tool.
inline void WriteScript(const std::string& path, const std::string& body)
{
    WriteFile(path, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
}

// Script lines that append the script's name and arguments, one call per
// line with the words separated by '|', to `log`.
inline std::string RecordCall(const std::string& log)
{
    return "{ printf '%s' \"$(basename \"$0\")\"; for a in \"$@\"; do printf '|%s' \"$a\"; done; echo; } >> '" + log +
           "'\n";
}

// A security context set by the test.
class FakeCredentials : public CredentialSource {
public:
    explicit FakeCredentials(std::optional<Credentials> credentials) : m_credentials(credentials) {}
    std::optional<Credentials> Read() const override { return m_credentials; }

private:
    std::optional<Credentials> m_credentials;
};

inline constexpr std::uint64_t CAP_NET_ADMIN_MASK = 1ull << 12;
inline constexpr std::uint64_t CAP_SYS_ADMIN_MASK = 1ull << 21;
inline constexpr Credentials ROOT{0, ~0ull >> 23, 0};  // every capability of the kernel
inline constexpr Credentials USER{1000, ~0ull >> 23, 1000};

inline std::vector<std::string> LogLines(const std::string& log)
{
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(log));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace signseek::test
