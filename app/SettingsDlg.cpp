#include "app/SettingsDlg.h"

#include "app/DialogFrame.h"
#include "app/QtDialogUnits.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace signseek {

CUpDownEdit::CUpDownEdit(SettingRange arrows, QWidget* parent)
    : QAbstractSpinBox(parent), m_arrows(arrows), m_lastPosition(arrows.low)
{
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
}

QString CUpDownEdit::Text() const { return lineEdit()->text(); }

void CUpDownEdit::SetText(const QString& text) { lineEdit()->setText(text); }

void CUpDownEdit::stepBy(int steps)
{
    m_lastPosition = StepUpDown(Text().toStdString(), m_lastPosition, steps, m_arrows);
    SetText(QString::number(m_lastPosition));
}

QValidator::State CUpDownEdit::validate(QString& input, int&) const
{
    for (QChar c : input)
        if (!c.isDigit()) return QValidator::Invalid;
    return QValidator::Acceptable;
}

void CUpDownEdit::fixup(QString&) const {}

QAbstractSpinBox::StepEnabled CUpDownEdit::stepEnabled() const { return StepUpEnabled | StepDownEnabled; }

CSettingsDlg::CSettingsDlg(QWidget* parent, MessageBox messageBox)
    : QDialog(parent, kDialogFrame), m_messageBox(std::move(messageBox))
{
    if (!m_messageBox) {
        // Captioned with the application's title, the main window's.
        QString caption = parent ? parent->window()->windowTitle() : QGuiApplication::applicationName();
        m_messageBox = [caption](QWidget* owner, const QString& text) { ShowWarning(owner, caption, text); };
    }
    setWindowTitle(QStringLiteral("Settings"));
    const DialogBaseUnits u = BaseUnitsOf(font());
    auto place = [&u](QWidget* w, int x, int y, int cx, int cy) {
        w->setGeometry(ToQRect(DialogRect(x, y, cx, cy, u)));
    };

    // Tab order follows creation: receive timeout first.
    m_spinReceiveTimeout = new CUpDownEdit(kReceiveTimeoutArrows, this);
    place(m_spinReceiveTimeout, 79, 14, 40, 14);
    m_spinDiscoveryTimeout = new CUpDownEdit(kDiscoveryTimeoutArrows, this);
    place(m_spinDiscoveryTimeout, 79, 35, 40, 14);
    m_editDiscoveryPort = new QLineEdit(this);
    place(m_editDiscoveryPort, 79, 56, 40, 14);
    m_spinTTL = new CUpDownEdit(kTtlArrows, this);
    place(m_spinTTL, 79, 73, 40, 14);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    place(ok, 70, 112, 50, 14);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    place(cancel, 150, 112, 50, 14);
    connect(ok, &QPushButton::clicked, this, &CSettingsDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSettingsDlg::reject);

    struct Label {
        const char* text;
        int x, y, cx, cy;
    };
    for (const Label& l : {Label{"Discovery Timeout:", 7, 35, 62, 14}, Label{"Seconds", 127, 35, 54, 14},
                           Label{"Discovery Port:", 7, 55, 62, 14}, Label{"Receive Timeout:", 7, 14, 62, 14},
                           Label{"Seconds", 127, 14, 54, 14}, Label{"Discovery TTL:", 7, 76, 48, 8}}) {
        auto* label = new QLabel(QString::fromLatin1(l.text), this);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        place(label, l.x, l.y, l.cx, l.cy);
        // The Linux font may need more room than the dialog units give.
        label->resize(label->size().expandedTo(label->sizeHint()));
    }
    m_checkUseInternetExplorer = new QCheckBox(QStringLiteral("Use Internet Explorer"), this);
    m_checkUseInternetExplorer->setLayoutDirection(Qt::RightToLeft);  // text on the left
    place(m_checkUseInternetExplorer, 7, 93, 82, 10);
    // Wide enough for its whole label in the Linux font.
    m_checkUseInternetExplorer->resize(
        m_checkUseInternetExplorer->size().expandedTo(m_checkUseInternetExplorer->sizeHint()));
    setFixedSize(ToQRect(DialogRect(0, 0, 207, 133, u)).size());
    KeepDialogWindowType(*this);
}

void CSettingsDlg::OnInitDialog()
{
    auto asUnsigned = [](std::int32_t value) { return QString::number(static_cast<std::uint32_t>(value)); };
    m_spinDiscoveryTimeout->SetText(asUnsigned(m_values.discoveryTimeout));
    m_spinReceiveTimeout->SetText(asUnsigned(m_values.receiveTimeout));
    m_editDiscoveryPort->setText(QString::number(m_values.discoveryPort));
    m_spinTTL->SetText(asUnsigned(m_values.ttl));
    m_checkUseInternetExplorer->setChecked(m_bUseInternetExplorer);
    m_checkUseInternetExplorer->setEnabled(m_bInternetExplorerFound);
    m_spinReceiveTimeout->setFocus();
}

int CSettingsDlg::exec()
{
    OnInitDialog();
    return QDialog::exec();
}

void CSettingsDlg::accept()
{
    SettingsFieldTexts texts{m_spinDiscoveryTimeout->Text().toStdString(), m_spinReceiveTimeout->Text().toStdString(),
                             m_editDiscoveryPort->text().toStdString(), m_spinTTL->Text().toStdString()};
    SettingsFormResult result = ReadSettingsForm(texts);
    if (!result.values) {
        QWidget* field = m_spinDiscoveryTimeout;
        switch (result.field) {
        case SettingsField::DiscoveryTimeout: field = m_spinDiscoveryTimeout; break;
        case SettingsField::ReceiveTimeout: field = m_spinReceiveTimeout; break;
        case SettingsField::Port: field = m_editDiscoveryPort; break;
        case SettingsField::Ttl: field = m_spinTTL; break;
        }
        m_messageBox(this, QString::fromStdString(result.message));
        field->setFocus();
        return;
    }
    m_values = *result.values;
    m_bUseInternetExplorer = m_checkUseInternetExplorer->isChecked();
    QDialog::accept();
}

}  // namespace signseek
