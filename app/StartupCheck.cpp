#include "app/StartupCheck.h"

#include "common/Version.h"

namespace signseek {

namespace {

constexpr char kUsage[] = "Usage: signseek [options]\n"
                          "Finds the maker's networked display equipment on the local network and\n"
                          "opens the devices' web pages. Needs a graphical session (X11 or Wayland);\n"
                          "signseek-find searches from a shell.\n"
                          "\n"
                          "  -h, --help     show this text\n"
                          "  -V, --version  show the version\n"
                          "\n"
                          "Qt's own options (-platform, -style, ...) are passed on. The discovery\n"
                          "settings live in /var/lib/Marvane/Discovery/settings.csv.\n"
                          "\n"
                          "Exit status: 0 when the window was closed, 1 without a graphical session.\n";

bool Set(const std::function<const char*(const char*)>& environment, const char* name)
{
    const char* value = environment(name);
    return value && *value;
}

}  // namespace

Startup CheckStartup(const std::vector<std::string>& arguments,
                     const std::function<const char*(const char*)>& environment)
{
    bool platformGiven = false;
    for (const std::string& a : arguments) {
        if (a == "-h" || a == "--help") return {StartupAction::Help, kUsage};
        if (a == "-V" || a == "--version") return {StartupAction::Version, "signseek " SIGNSEEK_VERSION "\n"};
        if (a == "-platform" || a == "--platform" || a.rfind("-platform=", 0) == 0) platformGiven = true;
    }
    // A platform chosen by hand (offscreen, vnc, ...) needs no session.
    if (platformGiven || Set(environment, "QT_QPA_PLATFORM")) return {};
    if (Set(environment, "DISPLAY") || Set(environment, "WAYLAND_DISPLAY")) return {};
    return {StartupAction::NoDisplay,
            "signseek: the desktop program needs a graphical session (DISPLAY or WAYLAND_DISPLAY is not set); "
            "search from a shell with signseek-find, or ./run.sh --demo --cli in the source tree\n"};
}

}  // namespace signseek
