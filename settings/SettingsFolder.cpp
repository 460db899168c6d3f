#include "settings/SettingsFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

namespace signseek {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string ErrorText(int error) { return std::generic_category().message(error); }

// Why a folder we hold may not be trusted, or an empty text.
std::string FolderProblem(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0) return "cannot be examined: " + ErrorText(errno);
    if (st.st_uid != 0 && st.st_uid != ::geteuid())
        return "belongs to another user (uid " + std::to_string(st.st_uid) + ")";
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0)
        return "can be written by other users but is not sticky (chmod 1777 it)";
    return {};
}

// One level below parent, without following a link; a missing level gives
// an invalid handle and ENOENT in errno.
UniqueFd OpenLevel(int parent, const char* name) { return UniqueFd(::openat(parent, name, kFolderFlags)); }

std::string LevelProblem(const char* name, int error)
{
    if (error == ELOOP || error == ENOTDIR) return std::string("has a link or a file in place of the folder ") + name;
    return std::string("cannot be opened (") + name + "): " + ErrorText(error);
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

std::string TempName(const char* name)
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
    return std::string(name) + "." + suffix;
}

}  // namespace

SettingsFolderHandle OpenSettingsFolder(const std::string& dataFolder, bool create)
{
    SettingsFolderHandle result;
    UniqueFd data(::open(dataFolder.c_str(), kFolderFlags & ~O_NOFOLLOW));
    if (data.Get() < 0) {
        if (errno != ENOENT) result.problem = "cannot be opened: " + ErrorText(errno);
        return result;
    }
    UniqueFd vendor = OpenLevel(data.Get(), "Marvane");
    if (vendor.Get() < 0) {
        if (errno != ENOENT) result.problem = LevelProblem("Marvane", errno);
        return result;
    }
    // Only the last level is made; a missing "Marvane" leaves the folder missing.
    UniqueFd folder = OpenLevel(vendor.Get(), "Discovery");
    if (folder.Get() < 0 && errno == ENOENT && create) {
        if (::mkdirat(vendor.Get(), "Discovery", 0700) == 0) {
            folder = OpenLevel(vendor.Get(), "Discovery");
            // Shared like the package's own: every user may save, nobody may
            // remove another's file. Set after creation so the umask plays no part.
            if (folder.Get() >= 0 && ::fchmod(folder.Get(), 01777) != 0) folder.Close();
        } else if (errno != EEXIST) {
            result.problem = "cannot be created: " + ErrorText(errno);
            return result;
        } else {
            folder = OpenLevel(vendor.Get(), "Discovery");
        }
    }
    if (folder.Get() < 0) {
        if (errno != ENOENT) result.problem = LevelProblem("Discovery", errno);
        return result;
    }
    result.problem = FolderProblem(folder.Get());
    if (result.problem.empty()) result.folder = std::move(folder);
    return result;
}

namespace {

// name in the folder for reading, when it is a regular file with one name
// reached without a link; otherwise an invalid handle and why in problem
// (left empty when the file is missing).
UniqueFd OpenReadable(int folder, const char* name, std::string& problem)
{
    // Non-blocking, so a FIFO in the file's place cannot hold the load up.
    UniqueFd fd(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ELOOP)
            problem = "is a symbolic link";
        else if (errno != ENOENT)
            problem = "cannot be read: " + ErrorText(errno);
        return fd;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        problem = "cannot be examined: " + ErrorText(errno);
        return UniqueFd();
    }
    if (!S_ISREG(st.st_mode)) {
        problem = "is not a regular file";
        return UniqueFd();
    }
    // A second name would be another user's way to make us read a file of theirs choosing.
    if (st.st_nlink != 1) {
        problem = "has more than one name (a hard link)";
        return UniqueFd();
    }
    return fd;
}

}  // namespace

FirstLine ReadFirstLine(int folder, const char* name, std::size_t maxLength)
{
    FirstLine result;
    UniqueFd fd = OpenReadable(folder, name, result.problem);
    if (fd.Get() < 0) return result;
    std::FILE* file = ::fdopen(fd.Get(), "r");
    if (file == nullptr) {
        result.problem = "cannot be read: " + ErrorText(errno);
        return result;
    }
    fd.Release();
    std::string line;
    while (line.size() < maxLength) {
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
    result.line = std::move(line);
    return result;
}

WholeFile ReadWholeFile(int folder, const char* name, std::size_t maxBytes)
{
    WholeFile result;
    UniqueFd fd = OpenReadable(folder, name, result.problem);
    if (fd.Get() < 0) return result;
    // One byte past the limit tells a file that is too long from one that just fits.
    std::string text(maxBytes + 1, '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::read(fd.Get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result.problem = "cannot be read: " + ErrorText(errno);
            return result;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    if (done > maxBytes) {
        result.problem = "is longer than " + std::to_string(maxBytes) + " bytes";
        return result;
    }
    text.resize(done);
    result.text = std::move(text);
    return result;
}

SettingsFolderHandle OpenUserFolder(const std::string& path, bool create)
{
    SettingsFolderHandle result;
    UniqueFd folder(::open(path.c_str(), kFolderFlags & ~O_NOFOLLOW));
    if (folder.Get() < 0 && errno == ENOENT && create && !path.empty() && path[0] == '/') {
        // Each missing level, from the top down; one that exists already is left as it is.
        for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
            const std::string level = path.substr(0, slash);
            if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) {
                result.problem = "cannot be created: " + ErrorText(errno);
                return result;
            }
            if (slash == std::string::npos) break;
        }
        folder = UniqueFd(::open(path.c_str(), kFolderFlags & ~O_NOFOLLOW));
    }
    if (folder.Get() < 0) {
        if (errno != ENOENT) result.problem = "cannot be opened: " + ErrorText(errno);
        return result;
    }
    result.problem = FolderProblem(folder.Get());
    if (result.problem.empty()) result.folder = std::move(folder);
    return result;
}

std::string ReplaceFile(int folder, const char* name, const std::string& text)
{
    struct stat old {};
    if (::fstatat(folder, name, &old, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(old.st_mode)) return "is a folder";
        // In a sticky folder only the file's owner (or root) may replace it.
        if (!S_ISLNK(old.st_mode) && ::geteuid() != 0 && old.st_uid != ::geteuid())
            return "belongs to another user (uid " + std::to_string(old.st_uid) + "); only they or root can change it";
    }
    const std::string temp = TempName(name);
    UniqueFd fd(::openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.Get() < 0) return "cannot be written: " + ErrorText(errno);
    // Written whole before it takes the name, so a crash or a full disk leaves the old file.
    bool ok = ::fchmod(fd.Get(), 0644) == 0 && WriteAll(fd.Get(), text) && ::fsync(fd.Get()) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd.Release()) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::renameat(folder, temp.c_str(), folder, name) != 0) {
        ok = false;
        error = errno;
    }
    if (ok) return {};
    ::unlinkat(folder, temp.c_str(), 0);
    return "cannot be written: " + ErrorText(error);
}

}  // namespace signseek
