// signseek: finds the maker's networked display equipment and opens its pages.

#include "app/App.h"
#include "app/StartupCheck.h"
#include "app/ThreadCount.h"

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
        signseek::DialogServices services;
        const std::shared_ptr<signseek::ThreadCount> searches = services.searchThreads;
        app.InitInstance(std::move(services));
        // A search still running would keep its discovery timeout: end now
        // rather than unwind under its feet.
        if (searches->Running() > 0) {
            std::fflush(nullptr);
            std::_Exit(0);
        }
    }
    return 0;
}
