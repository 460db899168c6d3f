#pragma once
// The "Settings" dialog: the four discovery settings and the browser choice.
// It edits copies; the main dialog takes them over when it ends with OK.

#include "settings/SettingsForm.h"

#include <QAbstractSpinBox>
#include <QDialog>

#include <cstdint>
#include <functional>

class QCheckBox;
class QLineEdit;

namespace signseek {

// A digits-only field with up-down arrows (and arrow keys) that step its
// number within their own range, while the field takes any number typed.
class CUpDownEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    CUpDownEdit(SettingRange arrows, QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    SettingRange m_arrows;
    std::uint32_t m_lastPosition;
};

class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    using MessageBox = std::function<void(QWidget* parent, const QString& text)>;

    // messageBox shows a refusal; by default a warning box with OK.
    explicit CSettingsDlg(QWidget* parent = nullptr, MessageBox messageBox = {});

    // Moves the members into the controls; run by exec.
    void OnInitDialog();
    int exec() override;

    // OK: reads and checks the fields; on the first failure shows its message
    // and stays open with the values as typed.
    void accept() override;

    // Shown as the fields' numbers: the timeouts and the TTL unsigned, the
    // port signed. Written only when OK passes every check.
    DiscoveryValues m_values;
    bool m_bUseInternetExplorer = false;
    bool m_bInternetExplorerFound = false;

    CUpDownEdit* m_spinReceiveTimeout;
    CUpDownEdit* m_spinDiscoveryTimeout;
    QLineEdit* m_editDiscoveryPort;
    CUpDownEdit* m_spinTTL;
    QCheckBox* m_checkUseInternetExplorer;

private:
    MessageBox m_messageBox;
};

}  // namespace signseek
