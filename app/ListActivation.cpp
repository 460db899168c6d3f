#include "app/ListActivation.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTreeView>

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
    if (QAbstractItemModel* model = view.model()) {
        connect(model, &QAbstractItemModel::rowsInserted, this, &ListActivation::EnsureCurrentRow);
        connect(model, &QAbstractItemModel::modelReset, this, &ListActivation::EnsureCurrentRow);
        connect(model, &QAbstractItemModel::rowsMoved, this, &ListActivation::EnsureCurrentRow);
        connect(model, &QAbstractItemModel::layoutChanged, this, &ListActivation::EnsureCurrentRow);
    }
    if (QItemSelectionModel* selection = view.selectionModel())
        connect(selection, &QItemSelectionModel::currentChanged, m_viewport, [this] { m_viewport->update(); });
}

bool ListActivation::Framed(const QModelIndex& index) const
{
    if (!m_view.hasFocus()) return false;
    QModelIndex current = m_view.currentIndex();
    return current.isValid() && index.row() == current.row() && index.parent() == current.parent();
}

bool ListActivation::StartsRow(const QModelIndex& index) const
{
    return qobject_cast<const QTreeView*>(m_viewObject) == nullptr || index.column() == 0;
}

bool ListActivation::EndsRow(const QModelIndex& index) const
{
    return qobject_cast<const QTreeView*>(m_viewObject) == nullptr ||
           index.column() == index.model()->columnCount(index.parent()) - 1;
}

void ListActivation::EnsureCurrentRow()
{
    if (qobject_cast<QAbstractItemView*>(m_viewObject) == nullptr || !m_view.hasFocus()) return;
    QAbstractItemModel* model = m_view.model();
    if (model == nullptr || model->rowCount() == 0) return;
    const QModelIndex current = m_view.currentIndex();
    const bool placed = current.isValid() && current == QModelIndex(m_placed) &&
                        !m_view.selectionModel()->isRowSelected(current.row(), current.parent());
    if (current.isValid() && (!placed || current.row() == 0)) return;
    m_view.selectionModel()->setCurrentIndex(model->index(0, 0), QItemSelectionModel::NoUpdate);
    m_placed = m_view.currentIndex();
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
        if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) {
            if (e->type() == QEvent::FocusIn && static_cast<QFocusEvent*>(e)->reason() != Qt::MouseFocusReason)
                EnsureCurrentRow();
            m_viewport->update();  // the frame comes and goes with the focus
            return false;
        }
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
    // The style's focus mark would show on a row that is not selected as if
    // it were, or not at all; paint draws the frame instead.
    option->state &= ~QStyle::State_HasFocus;
    option->textElideMode = Qt::ElideRight;
}

QSize LinkRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return m_cellSize.isValid() ? m_cellSize : QStyledItemDelegate::sizeHint(option, index);
}

void LinkRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!m_activation.Framed(index)) return;
    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    painter->setPen(QPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DotLine));
    painter->setRenderHint(QPainter::Antialiasing, false);
    const QRect r = option.rect.adjusted(0, 0, -1, -1);
    painter->drawLine(r.topLeft(), r.topRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    if (m_activation.StartsRow(index)) painter->drawLine(r.topLeft(), r.bottomLeft());
    if (m_activation.EndsRow(index)) painter->drawLine(r.topRight(), r.bottomRight());
    painter->restore();
}

}  // namespace signseek
