#include "checks/AdminUserManipulator.h"
#include "common/TextEncoding.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace signseek {

namespace {

// The value text of "Name:" at the start of a line, up to the line's end.
std::optional<std::string_view> FieldValue(std::string_view status, std::string_view name)
{
    std::size_t at = 0;
    while (at < status.size()) {
        std::size_t end = status.find('\n', at);
        if (end == std::string_view::npos) end = status.size();
        std::string_view line = status.substr(at, end - at);
        if (line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == ':')
            return line.substr(name.size() + 1);
        at = end + 1;
    }
    return std::nullopt;
}

std::string_view NextWord(std::string_view& text)
{
    std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        text = {};
        return {};
    }
    std::size_t end = text.find_first_of(" \t", begin);
    if (end == std::string_view::npos) end = text.size();
    std::string_view word = text.substr(begin, end - begin);
    text.remove_prefix(end);
    return word;
}

template <typename T> bool ParseWhole(std::string_view word, T& value, int base)
{
    if (word.empty()) return false;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, base);
    return error == std::errc() && end == word.data() + word.size();
}

}  // namespace

std::optional<Credentials> ParseProcStatus(std::string_view status)
{
    std::optional<std::string_view> uids = FieldValue(status, "Uid");
    std::optional<std::string_view> capInh = FieldValue(status, "CapInh");
    std::optional<std::string_view> capBnd = FieldValue(status, "CapBnd");
    if (!uids || !capInh || !capBnd) return std::nullopt;
    Credentials credentials;
    std::uint64_t inheritable = 0, bounding = 0;
    if (!ParseWhole(NextWord(*uids), credentials.realUid, 10) ||
        !ParseWhole(NextWord(*uids), credentials.effectiveUid, 10) || !ParseWhole(NextWord(*capInh), inheritable, 16) ||
        !ParseWhole(NextWord(*capBnd), bounding, 16))
        return std::nullopt;
    // What execve gives a root process's child, file capabilities aside.
    credentials.childCapabilities = inheritable | bounding;
    return credentials;
}

std::optional<Credentials> LinuxCredentialSource::Read() const
{
    // Credentials are per thread in the kernel; ask for the calling one.
    for (const char* path : {"/proc/thread-self/status", "/proc/self/status"}) {
        std::ifstream in(path);
        if (!in) continue;
        std::ostringstream text;
        text << in.rdbuf();
        return ParseProcStatus(text.str());
    }
    return std::nullopt;
}

void StandardErrorMessageBox::ShowWarning(const std::wstring& text)
{
    std::fprintf(stderr, "%s\n", WideToPrintableUtf8(text).c_str());
}

}  // namespace signseek
