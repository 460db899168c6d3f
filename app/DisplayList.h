#pragma once
// The device list: one model over the records shown either as a details
// table or as a list view in its list, icon, small-icon or tile form.

#include "app/DeviceListModel.h"
#include "discovery/DeviceRecord.h"
#include "present/DisplayRows.h"

#include <QPersistentModelIndex>
#include <QStackedWidget>

class QAbstractItemView;
class QHeaderView;
class QListView;
class QTreeView;

namespace signseek {

// View commands of the View menu.
inline constexpr int ID_VIEW_REPORT = 32772;
inline constexpr int ID_VIEW_ICON = 32773;
inline constexpr int ID_VIEW_SMALL_ICON = 32774;
inline constexpr int ID_VIEW_TILE = 32775;
inline constexpr int ID_VIEW_LIST = 59410;

class CDisplayList : public QStackedWidget {
    Q_OBJECT
public:
    enum class View { List, Details, Icon, SmallIcon, Tile };

    explicit CDisplayList(QWidget* parent = nullptr);

    // Headings and widths (0.4, 0.18, 0.2 and 0.2 of width).
    void SetupColumns(int width);

    void SetView(View view);
    View CurrentView() const { return m_view; }
    QAbstractItemView* CurrentItemView() const;
    QTreeView* DetailsView() const { return m_details; }
    QListView* IconsView() const { return m_icons; }
    // The column header above the list, icon, small-icon and tile views; it
    // sorts them like the details view's header.
    QHeaderView* IconsHeader() const { return m_iconsHeader; }

    DeviceListModel& Model() const { return *m_model; }
    // Adds the record's rows where the row order puts them.
    void AddRecord(const DeviceRecord& record) { m_model->Add(record); }
    void DeleteAllItems() { m_model->Clear(); }
    int RowCount() const;
    const DeviceRecord* RecordAt(int row) const;
    QString Text(int row, int column) const;
    DeviceImage ImageAt(int row) const;

    // The row the user most recently selected; -1 when none. A row that only
    // has the keyboard focus is not selected.
    int SelectionMark() const;
    void SetSelectionMark(int row);
    // The selected row, -1 when none.
    int SelectedRow() const;

    // Sorts the rows by a column, keeping equal rows in their order; the
    // selection, the mark and the focus row stay with their rows.
    void SortRows(int column, bool ascending) { m_model->Sort(column, ascending); }

private:
    DeviceListModel* m_model;
    QTreeView* m_details;
    QListView* m_icons;
    QHeaderView* m_iconsHeader;
    QWidget* m_iconsPage;
    View m_view = View::Details;
    QPersistentModelIndex m_mark;
};

}  // namespace signseek
