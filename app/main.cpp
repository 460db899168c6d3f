// signseek: finds the maker's networked display equipment and opens its pages.

#include "app/App.h"
#include "app/StartupCheck.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace signseek;

int main(int argc, char** argv)
{
    // Before the toolkit starts: it aborts when there is no display.
    const signseek::Startup startup = signseek::CheckStartup(std::vector<std::string>(argv + 1, argv + argc),
                                                             [](const char* name) { return std::getenv(name); });
    switch (startup.action) {
    case signseek::StartupAction::Help:
    case signseek::StartupAction::Version: std::fputs(startup.text.c_str(), stdout); return 0;
    case signseek::StartupAction::NoDisplay: std::fputs(startup.text.c_str(), stderr); return 1;
    case signseek::StartupAction::Run: break;
    }
    {
        signseek::CVORIrurizezApp app(argc, argv);
        // A search still running when the window closes is stopped and
        // waited for there, which takes a moment, not its discovery timeout.
        app.InitInstance(signseek::DialogServices{});
    }
    return 0;
}
