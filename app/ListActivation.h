#pragma once
// Makes a list's rows behave as links: the row under the pointer is
// underlined (every row, for lists that underline cold rows too), the
// pointer becomes a pointing hand over a row, and a click (not the second
// press of a double-click) reports the row under the pointer, -1 for none.
// The given keys select the row with the keyboard focus and report it.

#include "app/ClickActions.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

#include <functional>

class QAbstractItemView;

namespace signseek {

class ListActivation : public QObject {
    Q_OBJECT
public:
    enum class Underline { HotRow, EveryRow };

    // Watches the view's viewport and draws its rows; onClick gets the row
    // under the pointer at each click.
    ListActivation(QAbstractItemView& view, Underline underline, std::function<void(int row)> onClick,
                   std::initializer_list<int> keys = {});

    // The row under the pointer, -1 when none.
    int HotRow() const { return m_hot.isValid() ? m_hot.row() : -1; }
    bool Underlined(const QModelIndex& index) const;
    // The index is on the row the keyboard is on while the view has the
    // focus: that row is framed.
    bool Framed(const QModelIndex& index) const;
    // A framed cell's left and right edges are the row's (a table's cells
    // share the row's frame).
    bool StartsRow(const QModelIndex& index) const;
    bool EndsRow(const QModelIndex& index) const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void SetHot(const QModelIndex& index);
    // With the focus on a view that has rows but no current row, the first
    // becomes current (not selected), so the keyboard starts from a row it
    // can see; until the keyboard moves, the current row stays the first as
    // rows come in above it.
    void EnsureCurrentRow();

    QAbstractItemView& m_view;
    QObject* m_viewObject;  // the same object, asked whether it still is a view
    QWidget* m_viewport;
    Underline m_underline;
    std::function<void(int)> m_onClick;
    QPersistentModelIndex m_hot;
    QPersistentModelIndex m_placed;  // the current row as EnsureCurrentRow set it
    ClickActions m_clicks;
    QList<int> m_keys;
};

// Draws a row underlined when its ListActivation says so, and the row the
// keyboard is on in a focused view with a dotted frame of its own, selected
// or not, whatever the style draws (a row that is not selected is not drawn
// as if it were).
class LinkRowDelegate : public QStyledItemDelegate {
public:
    LinkRowDelegate(const ListActivation& activation, QObject* parent)
        : QStyledItemDelegate(parent), m_activation(activation)
    {}

    // Every item takes this size (its text elided to fit); an invalid size
    // lets each item take the size of its content.
    void SetCellSize(QSize size) { m_cellSize = size; }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    const ListActivation& m_activation;
    QSize m_cellSize;
};

}  // namespace signseek
