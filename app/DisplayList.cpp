#include "app/DisplayList.h"

#include "app/DeviceImages.h"
#include "app/ListActivation.h"

#include <QHeaderView>
#include <QListView>
#include <QTreeView>
#include <QVBoxLayout>

namespace signseek {

namespace {
// Cells of the views that lay items out in a grid; names that do not fit
// end in an ellipsis.
constexpr QSize kTileCell{232, 40};
constexpr QSize kSmallIconCell{168, 22};
constexpr QSize kListCell{232, 22};
constexpr int kCellGap = 8;
}  // namespace

CDisplayList::CDisplayList(QWidget* parent)
    : QStackedWidget(parent), m_model(new DeviceListModel(this)), m_details(new QTreeView(this)),
      m_icons(new QListView), m_iconsHeader(new QHeaderView(Qt::Horizontal)), m_iconsPage(new QWidget(this))
{
    m_details->setModel(m_model);
    m_details->setRootIsDecorated(false);
    m_details->setItemsExpandable(false);
    m_details->setUniformRowHeights(true);
    m_details->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_details->setSelectionMode(QAbstractItemView::SingleSelection);
    m_details->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_details->setIconSize(kSmallImageSize);
    m_details->setMouseTracking(true);
    m_details->header()->setSectionsClickable(true);
    m_details->header()->setSortIndicatorShown(false);
    m_details->header()->setStretchLastSection(false);
    m_details->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_icons->setModel(m_model);
    m_icons->setSelectionModel(m_details->selectionModel());
    m_icons->setSelectionMode(QAbstractItemView::SingleSelection);
    m_icons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_icons->setMovement(QListView::Static);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setWrapping(true);
    m_icons->setMouseTracking(true);
    m_icons->setTextElideMode(Qt::ElideRight);

    m_iconsHeader->setModel(m_model);
    m_iconsHeader->setSectionsClickable(true);
    m_iconsHeader->setSortIndicatorShown(false);
    m_iconsHeader->setStretchLastSection(false);
    m_iconsHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Both headers keep the same column widths.
    connect(m_details->header(), &QHeaderView::sectionResized, m_iconsHeader,
            [this](int column, int, int size) { m_iconsHeader->resizeSection(column, size); });
    connect(m_iconsHeader, &QHeaderView::sectionResized, m_details->header(),
            [this](int column, int, int size) { m_details->header()->resizeSection(column, size); });
    auto* page = new QVBoxLayout(m_iconsPage);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    m_iconsHeader->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    page->addWidget(m_iconsHeader);
    page->addWidget(m_icons, 1);

    connect(m_details->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        int row = SelectedRow();
        if (row != -1) m_mark = m_model->index(row, 0);
    });

    addWidget(m_details);
    addWidget(m_iconsPage);
    setCurrentWidget(m_details);
}

void CDisplayList::SetupColumns(int width)
{
    const double factors[] = {0.4, 0.18, 0.2, 0.2};
    for (int c = 0; c < 4; ++c) {
        m_details->setColumnWidth(c, static_cast<int>(width * factors[c]));
        m_iconsHeader->resizeSection(c, static_cast<int>(width * factors[c]));
    }
}

void CDisplayList::SetView(View view)
{
    m_view = view;
    if (view == View::Details) {
        setCurrentWidget(m_details);
        return;
    }
    QSize cell;  // the size every item takes; invalid: its content's
    switch (view) {
    case View::List:
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setFlow(QListView::TopToBottom);
        m_icons->setIconSize(kSmallImageSize);
        // Columns of one width, as the small-icon view has rows of one.
        cell = kListCell;
        m_icons->setGridSize(cell + QSize(kCellGap, 0));
        m_icons->setWordWrap(false);
        break;
    case View::SmallIcon:
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setFlow(QListView::LeftToRight);
        m_icons->setIconSize(kSmallImageSize);
        cell = kSmallIconCell;
        m_icons->setGridSize(cell + QSize(kCellGap, kCellGap / 2));
        m_icons->setWordWrap(false);
        break;
    case View::Icon:
        m_icons->setViewMode(QListView::IconMode);
        m_icons->setFlow(QListView::LeftToRight);
        m_icons->setIconSize(kLargeImageSize);
        m_icons->setGridSize(QSize(110, 72));
        m_icons->setWordWrap(true);
        break;
    case View::Tile:
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setFlow(QListView::LeftToRight);
        m_icons->setIconSize(kLargeImageSize);
        cell = kTileCell;
        m_icons->setGridSize(cell + QSize(kCellGap, kCellGap / 2));
        m_icons->setWordWrap(false);
        break;
    case View::Details: break;
    }
    if (auto* delegate = dynamic_cast<LinkRowDelegate*>(m_icons->itemDelegate())) delegate->SetCellSize(cell);
    m_icons->setWrapping(true);
    m_icons->doItemsLayout();
    m_iconsHeader->setFixedHeight(m_details->header()->sizeHint().height());
    setCurrentWidget(m_iconsPage);
}

QAbstractItemView* CDisplayList::CurrentItemView() const
{
    return m_view == View::Details ? static_cast<QAbstractItemView*>(m_details) : m_icons;
}

int CDisplayList::RowCount() const { return m_model->rowCount(); }

const DeviceRecord* CDisplayList::RecordAt(int row) const { return m_model->RecordAt(row); }

QString CDisplayList::Text(int row, int column) const { return m_model->Text(row, column); }

DeviceImage CDisplayList::ImageAt(int row) const { return m_model->ImageAt(row); }

int CDisplayList::SelectionMark() const { return m_mark.isValid() ? m_mark.row() : -1; }

int CDisplayList::SelectedRow() const
{
    QModelIndexList rows = m_details->selectionModel()->selectedRows(0);
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CDisplayList::SetSelectionMark(int row)
{
    m_details->selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace signseek
