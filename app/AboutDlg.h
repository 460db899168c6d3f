#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace signseek {

// "About Marvane Signseek": the icon, the name with its version, OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // Shows m_strVersion; run by exec, callable before a stand-in runs the box.
    void OnInitDialog();
    int exec() override;

    QString m_strVersion;
    QLabel* m_VersionLabel;
};

// "Marvane Signseek " followed by the version.
QString AboutVersionText();

}  // namespace signseek
