#include "app/IssueList.h"
#include "app/ListActivation.h"
#include "checks/LinuxFirewall.h"
#include "checks/LinuxRuntimes.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QToolTip>
#include <QTreeWidget>

namespace signseek {

namespace {

// Fills the empty entries with this machine's platform.
IssueCheckPlatform WithMachineDefaults(IssueCheckPlatform p)
{
    if (!p.credentials) p.credentials = std::make_shared<LinuxCredentialSource>();
    if (!p.firewall) p.firewall = std::make_shared<LinuxFirewall>();
    if (!p.java) p.java = std::make_shared<LinuxJavaVersionReader>();
    if (!p.silverlight) p.silverlight = std::make_shared<NoSilverlightRuntime>();
    return p;
}

int RowAt(QTreeWidget& list, const QPoint& viewportPoint)
{
    QModelIndex index = list.indexAt(viewportPoint);
    return index.isValid() ? index.row() : -1;
}

}  // namespace

QIcon IssueMark(int image)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(image == ISSUE_IMAGE_TICK      ? QColor(0, 160, 0)
                     : image == ISSUE_IMAGE_NEUTRAL ? QColor(150, 150, 150)
                                                    : QColor(210, 0, 0));
    painter.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (image == ISSUE_IMAGE_NEUTRAL) {
        painter.drawLine(QPointF(4.5, 8), QPointF(11.5, 8));  // a dash: does not apply
    } else if (image == ISSUE_IMAGE_TICK) {
        const QPointF tick[] = {{4.2, 8.3}, {6.9, 11.0}, {11.8, 5.2}};
        painter.drawPolyline(tick, 3);
    } else {
        painter.drawLine(QPointF(5, 5), QPointF(11, 11));
        painter.drawLine(QPointF(11, 5), QPointF(5, 11));
    }
    painter.end();
    return QIcon(pixmap);
}

CIssueList::CIssueList(QTreeWidget& list, const IssueCheckPlatform& platform,
                       std::function<void(const QString&)> messageBox, std::function<void(const QUrl&)> openUrl)
    : m_List(list), m_Platform(WithMachineDefaults(platform)), m_Dialogs(std::move(messageBox), std::move(openUrl)),
      m_FirewallCheck(*m_Platform.firewall), m_SilverlightCheck(*m_Platform.silverlight, m_Dialogs),
      m_JavaCheck(*m_Platform.java, m_Dialogs), m_AdminCheck(*m_Platform.credentials, m_Dialogs),
      m_Model(m_AdminCheck, m_FirewallCheck, m_SilverlightCheck, m_JavaCheck)
{}

void CIssueList::SetupIssueList()
{
    m_List.setColumnCount(1);
    m_List.setHeaderLabels({QStringLiteral("Issue")});
    m_List.setHeaderHidden(true);
    m_List.setRootIsDecorated(false);
    m_List.setSelectionMode(QAbstractItemView::SingleSelection);
    m_List.setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_List.setIconSize(QSize(16, 16));
    m_List.setColumnWidth(0, static_cast<int>(m_List.width() * 0.98));
    m_List.viewport()->installEventFilter(this);
    // Every row reads as a link; a click runs the fix of the row under it.
    new ListActivation(m_List, ListActivation::Underline::EveryRow, [this](int row) { OnClick(row); },
                       {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter});
}

void CIssueList::FillIssueList()
{
    m_Model.FillIssueList();
    ShowRows();
}

void CIssueList::ShowRows()
{
    // The keyboard stays on the row it was on when the rows are made again.
    const int current = m_List.currentIndex().isValid() ? m_List.currentIndex().row() : -1;
    m_List.clear();
    for (const IssueRow& row : m_Model.Rows()) {
        auto* item = new QTreeWidgetItem(&m_List);
        item->setText(0, QString::fromStdWString(row.text));
        item->setIcon(0, IssueMark(row.image));
        item->setData(0, Qt::UserRole, row.image);
    }
    if (current >= 0 && current < m_List.topLevelItemCount())
        m_List.selectionModel()->setCurrentIndex(m_List.model()->index(current, 0), QItemSelectionModel::NoUpdate);
}

void CIssueList::OnClick(int row)
{
    m_Model.Click(row);  // refills the rows, fix or not
    ShowRows();
}

QString CIssueList::OnInfoTip(int row) const { return QString::fromStdWString(m_Model.Tip(row, ISSUE_TIP_CAPACITY)); }

bool CIssueList::eventFilter(QObject* watched, QEvent* e)
{
    if (watched != m_List.viewport()) return false;
    // A right click opens the View menu only: a row it selected would stay
    // highlighted after the menu closes.
    if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease ||
        e->type() == QEvent::MouseButtonDblClick) {
        if (static_cast<QMouseEvent*>(e)->button() == Qt::RightButton) return true;
    }
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        QString tip = OnInfoTip(RowAt(m_List, help->pos()));
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, m_List.viewport());
        return true;
    }
    return false;
}

}  // namespace signseek
