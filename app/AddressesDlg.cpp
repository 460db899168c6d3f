#include "app/AddressesDlg.h"

#include "app/DialogFrame.h"
#include "app/QtDialogUnits.h"
#include "app/TargetsForm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>

namespace signseek {

CAddressesDlg::CAddressesDlg(QWidget* parent, MessageBox messageBox)
    : QDialog(parent, kDialogFrame), m_messageBox(std::move(messageBox))
{
    if (!m_messageBox) {
        // Captioned with the application's title, the main window's.
        QString caption = parent ? parent->window()->windowTitle() : QGuiApplication::applicationName();
        m_messageBox = [caption](QWidget* owner, const QString& text) { ShowWarning(owner, caption, text); };
    }
    setWindowTitle(QString::fromLatin1(kAddressesTitle));
    const DialogBaseUnits u = BaseUnitsOf(font());
    auto place = [&u](QWidget* w, int x, int y, int cx, int cy) {
        w->setGeometry(ToQRect(DialogRect(x, y, cx, cy, u)));
    };

    m_labelHint = new QLabel(QString::fromLatin1(kAddressesHint), this);
    m_labelHint->setWordWrap(true);
    m_labelHint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(m_labelHint, 7, 7, 206, 24);
    m_editTargets = new QPlainTextEdit(this);
    m_editTargets->setTabChangesFocus(true);
    m_editTargets->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editTargets->setPlaceholderText(QStringLiteral("10.20.0.0/24"));
    m_editTargets->setAccessibleName(QString::fromLatin1(kAddressesTitle));
    place(m_editTargets, 7, 34, 206, 90);
    m_labelHint->setBuddy(m_editTargets);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    place(ok, 107, 131, 50, 14);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    place(cancel, 163, 131, 50, 14);
    connect(ok, &QPushButton::clicked, this, &CAddressesDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CAddressesDlg::reject);
    setFixedSize(ToQRect(DialogRect(0, 0, 220, 152, u)).size());
    KeepDialogWindowType(*this);
}

void CAddressesDlg::OnInitDialog()
{
    m_editTargets->setPlainText(QString::fromStdString(m_strTargets));
    m_editTargets->moveCursor(QTextCursor::End);
    m_editTargets->setFocus();
}

int CAddressesDlg::exec()
{
    OnInitDialog();
    return QDialog::exec();
}

void CAddressesDlg::accept()
{
    const std::string text = m_editTargets->toPlainText().toStdString();
    const CheckedTargets checked = CheckTargetSyntax(text);
    if (!checked.problems.empty()) {
        m_messageBox(this, QString::fromStdString(ProblemSentence(checked.problems.front())));
        // The first bad line, selected, so it can be put right at once.
        const std::size_t line = checked.badLines.front();
        if (line > 0) {
            QTextBlock block = m_editTargets->document()->findBlockByNumber(static_cast<int>(line - 1));
            QTextCursor cursor(block);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            m_editTargets->setTextCursor(cursor);
        }
        m_editTargets->setFocus();
        return;
    }
    m_strTargets = text;
    QDialog::accept();
}

}  // namespace signseek
