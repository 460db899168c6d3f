#pragma once

#include "app/MainDialog.h"

#include <QApplication>

namespace signseek {

// The application object: runs the main dialog until it is closed.
class CVORIrurizezApp : public QApplication {
    Q_OBJECT
public:
    CVORIrurizezApp(int& argc, char** argv);

    // Runs the dialog modally; always false, the program then ends.
    bool InitInstance(DialogServices services = {});
};

}  // namespace signseek
