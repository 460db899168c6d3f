#pragma once
// The device list's rows over the records: each device keeps one record and
// its row texts, made once; a record with n transport addresses shows as n
// like rows. Rows come one at a time, each placed by a binary search in the
// row order (discovery/DisplaySort.h), and a device that a later answer
// changes is updated where it stands.

#include "discovery/DeviceRecord.h"
#include "present/DisplayRows.h"
#include "present/DisplaySort.h"
#include "present/ResultPrinter.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace signseek {

// Which device a row shows: the run that found it and its endpoint address.
// A run keeps one record per address, and a merge of a media player's next
// endpoint changes that record but keeps its address, so the key names the
// device for as long as its run lasts.
struct DeviceKey {
    std::string run;
    std::string address;
    bool operator==(const DeviceKey&) const = default;
};

class DeviceListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 4;

    explicit DeviceListModel(QObject* parent = nullptr);
    ~DeviceListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Adds the record's rows as a device no key names (a finished run's
    // record, taken as it stands).
    void Add(const DeviceRecord& record);
    // Updates the device with the key, or adds it when no device has it. Its
    // rows keep their identity (selection and focus stay on them) and move
    // only when the row order no longer holds where they stand.
    void Put(const DeviceKey& key, const DeviceRecord& record);
    // Removes the device with the key and its rows; nothing when none has it.
    void Remove(const DeviceKey& key);
    // Puts the rows in the order they would stand in had the devices come
    // one by one in the order of arrival (keyed devices not named there
    // after them, in their present order), under the present row order. The
    // selection and focus stay with their rows.
    void Arrange(const std::vector<DeviceKey>& arrival);
    // Removes every row and returns to arrival order.
    void Clear();
    // Sorts by a column header (stable); rows added later follow this order.
    void Sort(int column, bool ascending);

    // Devices with at least one row.
    int ShownDevices() const { return m_shownDevices; }
    const DeviceRecord* RecordAt(int row) const;
    // Every device in the order it came, with the run that found it: its
    // key's run, or for a device added without a key "bridges" for a bridge
    // and "devices" for any other.
    std::vector<FoundDevice> ListedDevices() const;
    QString Text(int row, int column) const;
    DeviceImage ImageAt(int row) const;

signals:
    void ShownDevicesChanged(int count);

private:
    struct Device;
    struct KeyHash {
        std::size_t operator()(const DeviceKey& key) const;
    };

    static const SortTexts& TextsOf(const Device* device);
    Device& AddDevice(const DeviceRecord& record);
    void Fill(Device& device, const DeviceRecord& record);
    void InsertRow(Device* device);
    void RemoveRow(std::size_t row);
    void MoveIntoPlace(std::size_t row);
    // Indices of the device's rows, ascending: a binary search on the texts
    // they were placed by.
    std::vector<std::size_t> RowsOf(const Device* device) const;
    void CountShown(bool before, bool after);
    // Moves the rows so that row i is the one that was at from[i].
    void Reorder(const std::vector<std::size_t>& from);

    RowOrder m_order;
    std::vector<std::unique_ptr<Device>> m_devices;
    std::unordered_map<DeviceKey, Device*, KeyHash> m_byKey;
    std::vector<Device*> m_rows;  // in row order
    int m_shownDevices = 0;
    mutable std::array<QIcon, 2> m_icons;
};

}  // namespace signseek
