#include "app/App.h"

#include "common/Version.h"

namespace signseek {

CVORIrurizezApp::CVORIrurizezApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("signseek"));
    // No display name: the X11 platform would append it to every window title.
    setApplicationVersion(QStringLiteral(SIGNSEEK_VERSION));
    setDesktopFileName(QStringLiteral("signseek"));
}

bool CVORIrurizezApp::InitInstance(DialogServices services)
{
    CVORIrurizezDlg dialog(std::move(services));
    dialog.exec();
    return false;
}

}  // namespace signseek
