// The device list's model: where rows go as they come one at a time, header
// sorts, devices changed in place by their key, and many rows.

#include "GuiTestSupport.h"

#include "app/DeviceListModel.h"
#include "common/TextHelpers.h"
#include "common/VendorConstants.h"
#include "discovery/DeviceCollector.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

namespace signseek {
namespace {

DeviceRecord Player(const std::string& name, const std::string& host, int port = 8008, const std::string& dhcp = "")
{
    DeviceRecord r;
    r.address = "urn:uuid:" + name + "-" + std::to_string(port);
    r.scopes = std::string(VENDOR_URI_ROOT) + "2011/player/tovo";
    r.types = "p:Player";
    r.xAddrs = "http://" + host + ":" + std::to_string(port) + "/x";
    r.sourceAddress = host;
    if (!name.empty()) r.metadata.push_back("<Description>" + name + "</Description>");
    if (!dhcp.empty()) r.metadata.push_back("<DHCPName>" + dhcp + "</DHCPName>");
    return r;
}

std::vector<QString> Column(const DeviceListModel& model, int column = 0)
{
    std::vector<QString> texts;
    for (int r = 0; r < model.rowCount(); ++r) texts.push_back(model.Text(r, column));
    return texts;
}

class DeviceListModelTest : public ::testing::Test {
protected:
    void SetUp() override { test::EnsureApplication(); }

    DeviceListModel m_model;
    // Fails the test on any inconsistent signal or index the model gives.
    QAbstractItemModelTester m_tester{&m_model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(DeviceListModelTest, RowsArriveByNameUntilAHeaderSortWhoseOrderLaterRowsFollow)
{
    for (const char* name : {"delta", "Bravo", "", "alpha", "bravo", "Charlie"}) m_model.Add(Player(name, "10.0.0.1"));
    // Without case, equal names in arrival order, "<none>" before letters.
    EXPECT_EQ((std::vector<QString>{"<none>", "alpha", "Bravo", "bravo", "Charlie", "delta"}), Column(m_model));

    m_model.Sort(COLUMN_NAME, false);
    EXPECT_EQ((std::vector<QString>{"delta", "Charlie", "Bravo", "bravo", "alpha", "<none>"}), Column(m_model));
    m_model.Add(Player("BRAVO", "10.0.0.1"));
    m_model.Add(Player("echo", "10.0.0.1"));
    m_model.Add(Player("aardvark", "10.0.0.1"));
    EXPECT_EQ(
        (std::vector<QString>{"echo", "delta", "Charlie", "Bravo", "bravo", "BRAVO", "alpha", "aardvark", "<none>"}),
        Column(m_model));

    // Dimensions find every row equal: a sort keeps the order, new rows go last.
    m_model.Sort(COLUMN_DIMENSIONS, true);
    m_model.Add(Player("a", "10.0.0.1"));
    EXPECT_EQ("echo", m_model.Text(0, 0));
    EXPECT_EQ("a", m_model.Text(m_model.rowCount() - 1, 0));

    // Cleared, the list is back in arrival order.
    m_model.Clear();
    EXPECT_EQ(0, m_model.rowCount());
    m_model.Add(Player("b", "10.0.0.1"));
    m_model.Add(Player("a", "10.0.0.1"));
    EXPECT_EQ((std::vector<QString>{"a", "b"}), Column(m_model));
}

TEST_F(DeviceListModelTest, SortsByTheTransportAddressAndKeepsSelectionOnItsRow)
{
    m_model.Add(Player("one", "10.0.0.9"));
    m_model.Add(Player("two", "10.0.0.10"));
    m_model.Add(Player("three", "10.0.0.2"));
    QItemSelectionModel selection(&m_model);
    selection.setCurrentIndex(m_model.index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ASSERT_EQ("three", m_model.Text(1, 0));

    // Text order of the addresses, not numeric order.
    m_model.Sort(COLUMN_IP_ADDRESS, true);
    EXPECT_EQ((std::vector<QString>{"two", "three", "one"}), Column(m_model));
    EXPECT_EQ(1, selection.currentIndex().row());
    m_model.Sort(COLUMN_IP_ADDRESS, false);
    EXPECT_EQ((std::vector<QString>{"one", "three", "two"}), Column(m_model));
    ASSERT_EQ(1, selection.selectedRows().size());
    EXPECT_EQ("three", m_model.Text(selection.selectedRows().front().row(), 0));
    EXPECT_EQ("10.0.0.2", m_model.Text(selection.currentIndex().row(), 3));
}

TEST_F(DeviceListModelTest, AChangedDeviceIsUpdatedInItsRowAndMovesOnlyWhenItsOrderSaysSo)
{
    // A media player's next endpoint merged by the engine, as a live search
    // will report it.
    DeviceCollector collector;
    ASSERT_EQ(DeviceCollector::Outcome::Added, collector.HandleMatch(Player("Lobby", "10.0.0.5", 8008)));
    const DeviceKey lobby{"devices", collector.Devices()[0].address};
    m_model.Put({"devices", "urn:a"}, Player("Atrium", "10.0.0.3"));
    m_model.Put(lobby, collector.Devices()[0]);
    m_model.Put({"devices", "urn:z"}, Player("Zoo", "10.0.0.4"));
    ASSERT_EQ((std::vector<QString>{"Atrium", "Lobby", "Zoo"}), Column(m_model));
    QPersistentModelIndex held(m_model.index(1, 0));
    QSignalSpy inserted(&m_model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&m_model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&m_model, &QAbstractItemModel::dataChanged);

    ASSERT_EQ(DeviceCollector::Outcome::Merged, collector.HandleMatch(Player("Lobby", "10.0.0.5", 9009)));
    m_model.Put(lobby, collector.Devices()[0]);
    EXPECT_EQ(3, m_model.rowCount());
    EXPECT_EQ(0, inserted.count());
    EXPECT_EQ(0, removed.count());
    EXPECT_EQ(1, changed.count());
    EXPECT_EQ(1, held.row());
    EXPECT_EQ(collector.Devices()[0], *m_model.RecordAt(1));
    EXPECT_EQ("10.0.0.5", collector.Devices()[0].xAddrs);

    // A changed name that breaks the order moves the row, and the held index
    // with it; one that does not leaves it where it stands.
    m_model.Put(lobby, Player("Zebra", "10.0.0.5"));
    EXPECT_EQ((std::vector<QString>{"Atrium", "Zebra", "Zoo"}), Column(m_model));
    EXPECT_EQ(1, held.row());
    m_model.Put(lobby, Player("Aardvark", "10.0.0.5"));
    EXPECT_EQ((std::vector<QString>{"Aardvark", "Atrium", "Zoo"}), Column(m_model));
    EXPECT_EQ(0, held.row());
    m_model.Put(lobby, Player("Zz", "10.0.0.5"));
    EXPECT_EQ((std::vector<QString>{"Atrium", "Zoo", "Zz"}), Column(m_model));
    EXPECT_EQ(2, held.row());
    EXPECT_EQ(0, inserted.count());
    EXPECT_EQ(0, removed.count());

    // After a header sort a change follows that order.
    m_model.Sort(COLUMN_DHCP_NAME, true);
    m_model.Put({"devices", "urn:z"}, Player("Zoo", "10.0.0.4", 8008, "zzz"));
    m_model.Put({"devices", "urn:a"}, Player("Atrium", "10.0.0.3", 8008, "mmm"));
    EXPECT_EQ((std::vector<QString>{"Zz", "Atrium", "Zoo"}), Column(m_model));
    EXPECT_EQ(0, held.row());

    // The same address found by the other run is another device.
    m_model.Put({"bridges", lobby.address}, Player("Lobby", "10.0.0.5"));
    EXPECT_EQ(4, m_model.rowCount());
    EXPECT_EQ(4, m_model.ShownDevices());
}

TEST_F(DeviceListModelTest, ADevicesLikeRowsFollowItsTransportAddressesAndTheCountFollowsShownDevices)
{
    QSignalSpy counted(&m_model, &DeviceListModel::ShownDevicesChanged);
    DeviceRecord two = Player("Wall", "10.0.0.7");
    two.xAddrs = "http://10.0.0.7/a http://10.0.0.7/b";
    m_model.Put({"devices", "wall"}, two);
    m_model.Put({"devices", "hall"}, Player("Hall", "10.0.0.8"));
    EXPECT_EQ((std::vector<QString>{"Hall", "Wall", "Wall"}), Column(m_model));
    EXPECT_EQ(2, m_model.ShownDevices());
    QPersistentModelIndex first(m_model.index(1, 0));

    // Merged down to its host: one row, the first one kept.
    two.xAddrs = "10.0.0.7";
    m_model.Put({"devices", "wall"}, two);
    EXPECT_EQ((std::vector<QString>{"Hall", "Wall"}), Column(m_model));
    EXPECT_EQ(1, first.row());
    // No transport address: no row, and no longer counted.
    two.xAddrs = " ";
    m_model.Put({"devices", "wall"}, two);
    EXPECT_EQ((std::vector<QString>{"Hall"}), Column(m_model));
    EXPECT_EQ(1, m_model.ShownDevices());
    EXPECT_FALSE(first.isValid());
    two.xAddrs = "http://10.0.0.7/a http://10.0.0.7/b";
    m_model.Put({"devices", "wall"}, two);
    EXPECT_EQ((std::vector<QString>{"Hall", "Wall", "Wall"}), Column(m_model));
    EXPECT_EQ(2, m_model.ShownDevices());
    // A device added without a key is never updated by one.
    m_model.Add(Player("Hall", "10.0.0.8"));
    m_model.Put({"devices", "hall"}, Player("Hall", "10.0.0.9"));
    EXPECT_EQ(3, m_model.ShownDevices());
    EXPECT_EQ((std::vector<QString>{"Hall", "Hall", "Wall", "Wall"}), Column(m_model));
    EXPECT_EQ((std::vector<QString>{"10.0.0.9", "10.0.0.8", "10.0.0.7", "10.0.0.7"}), Column(m_model, 3));
    m_model.Clear();
    EXPECT_EQ(0, m_model.ShownDevices());
    std::vector<int> counts;
    for (const QList<QVariant>& signal : counted) counts.push_back(signal.at(0).toInt());
    EXPECT_EQ((std::vector<int>{1, 2, 1, 2, 3, 0}), counts);
}

TEST(DeviceListModelMany, TenThousandRowsOneAtATimeStayInOrderThroughChanges)
{
    test::EnsureApplication();
    DeviceListModel model;
    std::mt19937 random(7);
    const std::string letters = "aAbBcC<z";
    auto randomName = [&] {
        std::string name;
        for (int n = 0; n < 3; ++n) name += letters[random() % letters.size()];
        return name;
    };
    // The DHCP column carries each device's number.
    auto device = [](const std::string& name, int i) { return Player(name, "10.0.0.1", 8008, std::to_string(i)); };
    std::vector<std::string> names;
    for (int i = 0; i < 10000; ++i) {
        names.push_back(randomName());
        model.Put({"devices", std::to_string(i)}, device(names.back(), i));
    }
    ASSERT_EQ(10000, model.rowCount());
    EXPECT_EQ(10000, model.ShownDevices());
    std::vector<int> expected(10000);
    std::iota(expected.begin(), expected.end(), 0);
    std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
        return CompareIgnoringAsciiCase(names[static_cast<std::size_t>(a)], names[static_cast<std::size_t>(b)]) < 0;
    });
    for (int r = 0; r < 10000; ++r)
        ASSERT_EQ(QString::number(expected[static_cast<std::size_t>(r)]), model.Text(r, 2)) << r;

    // A thousand changes, renamed at random: every device still once, in order.
    for (int n = 0; n < 1000; ++n) {
        const int i = static_cast<int>(random() % 10000);
        names[static_cast<std::size_t>(i)] = randomName();
        model.Put({"devices", std::to_string(i)}, device(names[static_cast<std::size_t>(i)], i));
    }
    ASSERT_EQ(10000, model.rowCount());
    std::vector<bool> seen(10000, false);
    for (int r = 0; r < 10000; ++r) {
        const int i = model.Text(r, 2).toInt();
        ASSERT_FALSE(seen[static_cast<std::size_t>(i)]) << i;
        seen[static_cast<std::size_t>(i)] = true;
        ASSERT_EQ(QString::fromStdString(names[static_cast<std::size_t>(i)]), model.Text(r, 0)) << r;
        if (r > 0) {
            ASSERT_LE(CompareIgnoringAsciiCase(model.Text(r - 1, 0).toStdString(), model.Text(r, 0).toStdString()), 0)
                << r;
        }
    }
}

}  // namespace
}  // namespace signseek
