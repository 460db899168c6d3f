#include "app/ListActivation.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace signseek {

ListActivation::ListActivation(QAbstractItemView& view, Underline underline, std::function<void(int)> onClick,
                               std::initializer_list<int> keys)
    : QObject(&view), m_view(view), m_viewObject(&view), m_viewport(view.viewport()), m_underline(underline),
      m_onClick(std::move(onClick)), m_keys(keys)
{
    view.viewport()->setMouseTracking(true);
    view.viewport()->installEventFilter(this);
    view.installEventFilter(this);
    view.setItemDelegate(new LinkRowDelegate(*this, &view));
}

bool ListActivation::Underlined(const QModelIndex& index) const
{
    return m_underline == Underline::EveryRow || (m_hot.isValid() && index.row() == m_hot.row());
}

void ListActivation::SetHot(const QModelIndex& index)
{
    QModelIndex row = index.isValid() ? index.siblingAtColumn(0) : QModelIndex();
    if (row != QModelIndex(m_hot)) {
        m_hot = row;
        m_view.viewport()->update();
    }
    if (row.isValid())
        m_view.viewport()->setCursor(Qt::PointingHandCursor);
    else
        m_view.viewport()->unsetCursor();
}

bool ListActivation::eventFilter(QObject* watched, QEvent* e)
{
    // While the view is being destroyed its viewport still gets events; the
    // view is no item view any more then.
    if (qobject_cast<QAbstractItemView*>(m_viewObject) == nullptr) return false;
    if (watched == m_viewObject) {
        if (e->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier) return false;
        if (!m_keys.contains(key->key())) return false;
        QModelIndex current = m_view.currentIndex();
        if (current.isValid()) {
            m_view.selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            m_onClick(current.row());
        }
        return true;  // not passed on: a dialog would take Return as its default button
    }
    if (watched != m_viewport) return false;
    switch (e->type()) {
    case QEvent::MouseMove: SetHot(m_view.indexAt(static_cast<QMouseEvent*>(e)->position().toPoint())); break;
    case QEvent::Leave: SetHot(QModelIndex()); break;
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) m_clicks.DoubleClicked();
        break;
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(e);
        if (mouse->button() != Qt::LeftButton || !m_clicks.Released()) break;
        QModelIndex index = m_view.indexAt(mouse->position().toPoint());
        m_onClick(index.isValid() ? index.row() : -1);
        break;
    }
    default: break;
    }
    return false;
}

void LinkRowDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (m_activation.Underlined(index)) option->font.setUnderline(true);
    // A row that only has the keyboard focus is not drawn as if selected.
    if (!(option->state & QStyle::State_Selected)) option->state &= ~QStyle::State_HasFocus;
    option->textElideMode = Qt::ElideRight;
}

QSize LinkRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return m_cellSize.isValid() ? m_cellSize : QStyledItemDelegate::sizeHint(option, index);
}

}  // namespace signseek
