#include "app/DeviceListModel.h"

#include "app/DeviceImages.h"

#include <algorithm>
#include <functional>
#include <numeric>

namespace signseek {

struct DeviceListModel::Device {
    DeviceRecord record;
    std::string run;  // empty when added without a key
    SortTexts texts;
    std::array<QString, kColumns> cells;
    DeviceImage image = DeviceImage::Normal;
    std::size_t wanted = 0;  // rows the record calls for
    std::size_t shown = 0;   // rows in the list
};

std::size_t DeviceListModel::KeyHash::operator()(const DeviceKey& key) const
{
    const std::size_t run = std::hash<std::string>{}(key.run);
    return run ^ (std::hash<std::string>{}(key.address) + 0x9e3779b97f4a7c15ull + (run << 6) + (run >> 2));
}

DeviceListModel::DeviceListModel(QObject* parent) : QAbstractTableModel(parent) {}

DeviceListModel::~DeviceListModel() = default;

int DeviceListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DeviceListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant DeviceListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
    const Device& device = *m_rows[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole || role == Qt::EditRole) return device.cells[static_cast<std::size_t>(index.column())];
    if (role == Qt::DecorationRole && index.column() == 0) {
        QIcon& icon = m_icons[static_cast<std::size_t>(device.image)];
        if (icon.isNull()) icon = DeviceIcon(device.image);
        return icon;
    }
    return {};
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const kHeadings[kColumns] = {"Name", "Dimensions", "DHCP Name", "IP Address"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumns)
        return QString::fromLatin1(kHeadings[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

const SortTexts& DeviceListModel::TextsOf(const Device* device) { return device->texts; }

void DeviceListModel::Fill(Device& device, const DeviceRecord& record)
{
    const DisplayRow row = MakeDisplayRow(record);
    device.record = record;
    device.texts = MakeSortTexts(record, row);
    device.image = row.image;
    device.wanted = DisplayRowCount(record);
    const std::string* texts[kColumns] = {&row.name, &row.dimensions, &row.dhcpName, &row.ipAddress};
    for (int c = 0; c < kColumns; ++c) device.cells[c] = QString::fromStdString(*texts[c]);
}

void DeviceListModel::InsertRow(Device* device)
{
    const std::size_t at = m_order.Place(m_rows, device->texts, TextsOf);
    beginInsertRows({}, static_cast<int>(at), static_cast<int>(at));
    m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(at), device);
    ++device->shown;
    endInsertRows();
}

void DeviceListModel::CountShown(bool before, bool after)
{
    if (before == after) return;
    m_shownDevices += after ? 1 : -1;
    emit ShownDevicesChanged(m_shownDevices);
}

DeviceListModel::Device& DeviceListModel::AddDevice(const DeviceRecord& record)
{
    auto owned = std::make_unique<Device>();
    Device* device = owned.get();
    Fill(*device, record);
    m_devices.push_back(std::move(owned));
    for (std::size_t i = 0; i < device->wanted; ++i) InsertRow(device);
    CountShown(false, device->shown > 0);
    return *device;
}

void DeviceListModel::Add(const DeviceRecord& record) { AddDevice(record); }

std::vector<FoundDevice> DeviceListModel::ListedDevices() const
{
    std::vector<FoundDevice> devices;
    devices.reserve(m_devices.size());
    for (const auto& device : m_devices) {
        std::string run = device->run;
        if (run.empty()) run = device->record.IsBridge() ? "bridges" : "devices";
        devices.push_back({std::move(run), device->record});
    }
    // As a search gives them: the device run's records, then the bridge run's.
    std::stable_partition(devices.begin(), devices.end(), [](const FoundDevice& d) { return d.run == "devices"; });
    return devices;
}

std::vector<std::size_t> DeviceListModel::RowsOf(const Device* device) const
{
    // The rows are in order, so the device's rows lie among those equal to it.
    auto [first, last] =
        std::equal_range(m_rows.begin(), m_rows.end(), device,
                         [this](const Device* a, const Device* b) { return m_order.Compare(a->texts, b->texts) < 0; });
    std::vector<std::size_t> rows;
    for (auto it = first; it != last; ++it)
        if (*it == device) rows.push_back(static_cast<std::size_t>(it - m_rows.begin()));
    return rows;
}

void DeviceListModel::RemoveRow(std::size_t row)
{
    beginRemoveRows({}, static_cast<int>(row), static_cast<int>(row));
    --m_rows[row]->shown;
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(row));
    endRemoveRows();
}

void DeviceListModel::MoveIntoPlace(std::size_t row)
{
    Device* device = m_rows[row];
    // Where it goes among the others; nothing is seen until the move begins.
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(row));
    const std::size_t to = m_order.Place(m_rows, device->texts, TextsOf);
    m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(row), device);
    const int destination = static_cast<int>(to < row ? to : to + 1);
    if (!beginMoveRows({}, static_cast<int>(row), static_cast<int>(row), {}, destination)) return;
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(row));
    m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(to), device);
    endMoveRows();
}

void DeviceListModel::Put(const DeviceKey& key, const DeviceRecord& record)
{
    auto found = m_byKey.find(key);
    if (found == m_byKey.end()) {
        Device& added = AddDevice(record);
        added.run = key.run;
        m_byKey.emplace(key, &added);
        return;
    }
    Device* device = found->second;
    if (device->record == record) return;  // a repeat report changes nothing
    const bool wasShown = device->shown > 0;
    // Found with the texts the rows were placed by.
    std::vector<std::size_t> rows = RowsOf(device);
    Fill(*device, record);
    // The first row stays (and with it the selection and focus); its like
    // rows go, from the last so the indices hold, and come back as needed.
    const std::size_t keep = device->wanted > 0 && !rows.empty() ? 1 : 0;
    while (rows.size() > keep) {
        RemoveRow(rows.back());
        rows.pop_back();
    }
    if (keep == 1) {
        const int row = static_cast<int>(rows.front());
        emit dataChanged(index(row, 0), index(row, kColumns - 1));
        if (!m_order.InPlace(m_rows, rows.front(), TextsOf)) MoveIntoPlace(rows.front());
    }
    while (device->shown < device->wanted) InsertRow(device);
    CountShown(wasShown, device->shown > 0);
}

void DeviceListModel::Remove(const DeviceKey& key)
{
    auto found = m_byKey.find(key);
    if (found == m_byKey.end()) return;
    Device* device = found->second;
    const bool wasShown = device->shown > 0;
    std::vector<std::size_t> rows = RowsOf(device);
    while (!rows.empty()) {
        RemoveRow(rows.back());
        rows.pop_back();
    }
    m_byKey.erase(found);
    CountShown(wasShown, false);
    auto owned = std::find_if(m_devices.begin(), m_devices.end(),
                              [device](const std::unique_ptr<Device>& d) { return d.get() == device; });
    if (owned != m_devices.end()) m_devices.erase(owned);
}

void DeviceListModel::Arrange(const std::vector<DeviceKey>& arrival)
{
    std::unordered_map<const Device*, std::size_t> rank;
    for (const DeviceKey& key : arrival) {
        auto found = m_byKey.find(key);
        if (found != m_byKey.end()) rank.try_emplace(found->second, rank.size());
    }
    const std::size_t unnamed = rank.size();
    auto rankOf = [&](std::size_t row) {
        auto it = rank.find(m_rows[row]);
        return it == rank.end() ? unnamed : it->second;
    };
    std::vector<std::size_t> from(m_rows.size());  // from[new row] = old row
    std::iota(from.begin(), from.end(), std::size_t{0});
    // Devices coming one by one after their equals stand as a stable sort of
    // their arrival; the like rows of a device stay together.
    std::stable_sort(from.begin(), from.end(), [&](std::size_t a, std::size_t b) {
        const int c = m_order.Compare(m_rows[a]->texts, m_rows[b]->texts);
        if (c != 0) return c < 0;
        return rankOf(a) < rankOf(b);
    });
    bool moved = false;
    for (std::size_t i = 0; i < from.size() && !moved; ++i) moved = from[i] != i;
    if (!moved) return;
    Reorder(from);
}

void DeviceListModel::Clear()
{
    if (!m_rows.empty()) {
        beginRemoveRows({}, 0, static_cast<int>(m_rows.size()) - 1);
        m_rows.clear();
        endRemoveRows();
    }
    m_byKey.clear();
    m_devices.clear();
    m_order = RowOrder{};
    if (m_shownDevices != 0) {
        m_shownDevices = 0;
        emit ShownDevicesChanged(0);
    }
}

void DeviceListModel::Sort(int column, bool ascending)
{
    m_order = RowOrder{column, ascending};
    std::vector<std::size_t> from(m_rows.size());  // from[new row] = old row
    std::iota(from.begin(), from.end(), std::size_t{0});
    m_order.Sort(from, [this](std::size_t row) -> const SortTexts& { return m_rows[row]->texts; });
    Reorder(from);
}

void DeviceListModel::Reorder(const std::vector<std::size_t>& from)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> to(m_rows.size());
    std::vector<Device*> rows(m_rows.size());
    for (std::size_t i = 0; i < from.size(); ++i) {
        to[from[i]] = static_cast<int>(i);
        rows[i] = m_rows[from[i]];
    }
    m_rows = std::move(rows);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) after.append(index(to[static_cast<std::size_t>(old.row())], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

const DeviceRecord* DeviceListModel::RecordAt(int row) const
{
    if (row < 0 || row >= rowCount()) return nullptr;
    return &m_rows[static_cast<std::size_t>(row)]->record;
}

QString DeviceListModel::Text(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= kColumns) return {};
    return m_rows[static_cast<std::size_t>(row)]->cells[static_cast<std::size_t>(column)];
}

DeviceImage DeviceListModel::ImageAt(int row) const
{
    if (row < 0 || row >= rowCount()) return DeviceImage::Normal;
    return m_rows[static_cast<std::size_t>(row)]->image;
}

}  // namespace signseek
