#pragma once
// The issue list's window part: the four checks, their rows with the two
// marks, a click running the fix of the row under it, tips on hover.

#include "checks/AdminUserManipulator.h"
#include "checks/FirewallManipulator.h"
#include "checks/IssueList.h"
#include "checks/RuntimeManipulators.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QTreeWidget;
class QWidget;

namespace signseek {

// What the checks ask; an empty entry means this machine.
struct IssueCheckPlatform {
    std::shared_ptr<const CredentialSource> credentials;
    std::shared_ptr<FirewallControl> firewall;
    std::shared_ptr<const VersionReader> java;
    std::shared_ptr<const VersionReader> silverlight;
};

// Image 0, a red disc with a white cross, image 1, a green disc with a white
// tick, or image 2, a grey disc with a white dash; 16 x 16 on a transparent
// ground.
QIcon IssueMark(int image);

class CIssueList : public QObject {
public:
    CIssueList(QTreeWidget& list, const IssueCheckPlatform& platform, std::function<void(const QString&)> messageBox,
               std::function<void(const QUrl&)> openUrl);

    void SetupIssueList();
    void FillIssueList();
    // A click at the row under the pointer (-1 for none).
    void OnClick(int row);
    QString OnInfoTip(int row) const;

    const IssueListModel& Model() const { return m_Model; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void ShowRows();

    struct Dialogs : MessageBoxSink, UrlLauncher {
        Dialogs(std::function<void(const QString&)> box, std::function<void(const QUrl&)> open)
            : messageBox(std::move(box)), openUrl(std::move(open))
        {}
        std::function<void(const QString&)> messageBox;
        std::function<void(const QUrl&)> openUrl;
        void ShowWarning(const std::wstring& text) override { messageBox(QString::fromStdWString(text)); }
        void Open(const std::wstring& url) override { openUrl(QUrl(QString::fromStdWString(url))); }
    };

    QTreeWidget& m_List;
    IssueCheckPlatform m_Platform;
    Dialogs m_Dialogs;
    CFirewallManipulator m_FirewallCheck;
    CSilverLightManipulator m_SilverlightCheck;
    CJavaManipulator m_JavaCheck;
    CAdminUserManipulator m_AdminCheck;
    IssueListModel m_Model;
};

}  // namespace signseek
