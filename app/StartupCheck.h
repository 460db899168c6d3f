#pragma once
// What the desktop program does before it builds its window: --help and
// --version answer without a display, and without a graphical session it
// says so in one line instead of letting the toolkit abort.

#include <functional>
#include <string>
#include <vector>

namespace signseek {

enum class StartupAction { Run, Help, Version, NoDisplay };

struct Startup {
    StartupAction action = StartupAction::Run;
    std::string text;  // for standard output (Help, Version) or standard error (NoDisplay)
};

// arguments without the program name; environment looks a variable up
// (null when unset). Options it does not know are left to the toolkit.
Startup CheckStartup(const std::vector<std::string>& arguments,
                     const std::function<const char*(const char*)>& environment);

}  // namespace signseek
