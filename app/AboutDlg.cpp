#include "app/AboutDlg.h"

#include "app/DeviceImages.h"
#include "app/DialogFrame.h"
#include "app/QtDialogUnits.h"
#include "common/Version.h"

#include <QLabel>
#include <QPushButton>

namespace signseek {

QString AboutVersionText() { return QStringLiteral("Marvane Signseek " SIGNSEEK_VERSION); }

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent, kDialogFrame)
{
    setWindowTitle(QStringLiteral("About Marvane Signseek"));
    const DialogBaseUnits units = BaseUnitsOf(font());
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    icon->setGeometry(ToQRect(DialogRect(14, 14, 21, 20, units)));
    m_VersionLabel = new QLabel(this);
    m_VersionLabel->setGeometry(ToQRect(DialogRect(42, 14, 114, 8, units)).adjusted(0, 0, 0, units.y / 2));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(ToQRect(DialogRect(113, 41, 50, 14, units)));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(ToQRect(DialogRect(0, 0, 170, 62, units)).size());
    KeepDialogWindowType(*this);
}

void CAboutDlg::OnInitDialog() { m_VersionLabel->setText(m_strVersion); }

int CAboutDlg::exec()
{
    OnInitDialog();
    return QDialog::exec();
}

}  // namespace signseek
