// signseek: finds the maker's networked display equipment and opens its pages.

#include "app/App.h"
#include "app/SearchThreads.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    {
        signseek::CVORIrurizezApp app(argc, argv);
        app.InitInstance();
        // A search still running would keep its discovery timeout: end now
        // rather than unwind under its feet.
        if (signseek::RunningSearchThreads() > 0) {
            std::fflush(nullptr);
            std::_Exit(0);
        }
    }
    return 0;
}
