#pragma once

#include "tests/common/TempFolder.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace signseek::test {

// Runs `ip` with a fixed argument list (no shell); true when it exits with 0.
inline bool RunIp(std::initializer_list<const char*> args)
{
    std::vector<char*> argv{const_cast<char*>("ip")};
    for (const char* a : args) argv.push_back(const_cast<char*>(a));
    argv.push_back(nullptr);
    pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        ::execvp("ip", argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace signseek::test
