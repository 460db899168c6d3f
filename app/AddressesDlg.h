#pragma once
// The "Addresses" dialog: the user's own targets as text, one a line. It
// edits a copy; the main dialog saves it when the dialog ends with OK.

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QPlainTextEdit;

namespace signseek {

class CAddressesDlg : public QDialog {
    Q_OBJECT
public:
    using MessageBox = std::function<void(QWidget* parent, const QString& text)>;

    // messageBox shows a refusal, by default a warning box with OK.
    CAddressesDlg(QWidget* parent, MessageBox messageBox);

    // Moves the text into the field; run by exec.
    void OnInitDialog();
    int exec() override;

    // OK: every line must be a target; the first bad one is named, its line
    // selected, and the dialog stays open with the text as typed. Host names
    // are taken as written: a search looks them up, off the window's thread.
    void accept() override;

    std::string m_strTargets;  // written only when OK passes

    QLabel* m_labelHint;
    QPlainTextEdit* m_editTargets;

private:
    MessageBox m_messageBox;
};

}  // namespace signseek
