#pragma once

#include "tests/common/TempFolder.h"

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
