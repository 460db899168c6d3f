#include "app/App.h"

namespace signseek {

CVORIrurizezApp::CVORIrurizezApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("signseek"));
    setApplicationDisplayName(QString::fromLatin1(kApplicationTitle));
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
