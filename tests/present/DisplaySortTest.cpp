#include "present/DisplaySort.h"

#include "tests/discovery/TestRecords.h"

#include <gtest/gtest.h>

namespace signseek {

namespace {
DeviceRecord Named(const std::string& description, const std::string& dhcp = {}, const std::string& xAddrs = {})
{
    DeviceRecord r = MakeRecord("urn:" + description, xAddrs);
    if (!description.empty()) r.metadata.push_back("<Description>" + description + "</Description>");
    if (!dhcp.empty()) r.metadata.push_back("<DHCPName>" + dhcp + "</DHCPName>");
    return r;
}

SortTexts Texts(const DeviceRecord& record) { return MakeSortTexts(record, MakeDisplayRow(record)); }

int CompareAscending(const DeviceRecord& a, const DeviceRecord& b, int column)
{
    return RowOrder{column, true}.Compare(Texts(a), Texts(b));
}

int CompareDescending(const DeviceRecord& a, const DeviceRecord& b, int column)
{
    return RowOrder{column, false}.Compare(Texts(a), Texts(b));
}

std::vector<SortTexts> TextsOfNames(std::vector<std::string> names)
{
    std::vector<SortTexts> texts;
    for (const std::string& name : names) texts.push_back(Texts(Named(name)));
    return texts;
}

const SortTexts& Self(const SortTexts& t) { return t; }
}  // namespace

TEST(DisplaySort, NamesCompareIgnoringAsciiCase)
{
    EXPECT_EQ(CompareAscending(Named("apple"), Named("Banana"), COLUMN_NAME), -1);
    EXPECT_EQ(CompareAscending(Named("LOBBY"), Named("lobby"), COLUMN_NAME), 0);
    EXPECT_EQ(CompareAscending(Named("Lob"), Named("lobby"), COLUMN_NAME), -1);
    EXPECT_EQ(CompareDescending(Named("apple"), Named("Banana"), COLUMN_NAME), 1);
    // An unnamed row has an empty key and comes first.
    EXPECT_EQ(CompareAscending(Named(""), Named("a"), COLUMN_NAME), -1);
    // Bytes above 0x7f compare unsigned and are not case-folded.
    EXPECT_EQ(CompareAscending(Named("z"), Named("\xc9"), COLUMN_NAME), -1);
    EXPECT_EQ(CompareAscending(Named("\xe9"), Named("\xc9"), COLUMN_NAME), 1);
}

TEST(DisplaySort, NamesCompareAsShown)
{
    // "&#122;" is shown as "z", so it sorts after "a", not before it.
    EXPECT_EQ(CompareAscending(Named("&#122;"), Named("a"), COLUMN_NAME), 1);
    EXPECT_EQ(CompareAscending(Named("R&amp;D"), Named("r&D"), COLUMN_NAME), 0);
    EXPECT_EQ(CompareAscending(Named("a", "&#x42;"), Named("b", "a"), COLUMN_DHCP_NAME), 1);
}

TEST(DisplaySort, DhcpAndTransportAddressColumns)
{
    EXPECT_EQ(CompareAscending(Named("a", "Zed"), Named("b", "alpha"), COLUMN_DHCP_NAME), 1);
    // The first "http://" is dropped from the transport address.
    EXPECT_EQ(CompareAscending(Named("a", "", "http://10.0.0.9/"), Named("b", "", "10.0.0.10"), COLUMN_IP_ADDRESS), 1);
    EXPECT_EQ(CompareAscending(Named("a", "", "http://B/"), Named("b", "", "b/"), COLUMN_IP_ADDRESS), 0);
}

TEST(DisplaySort, DimensionsAndUnknownColumnsCompareEqual)
{
    for (int column : {int{COLUMN_DIMENSIONS}, 4, -2, 1000}) {
        EXPECT_EQ(CompareAscending(Named("a", "a", "a"), Named("b", "b", "b"), column), 0);
        EXPECT_EQ(CompareDescending(Named("a", "a", "a"), Named("b", "b", "b"), column), 0);
    }
}

TEST(DisplaySort, HeaderClicksToggleDirectionPerColumn)
{
    SortState state;
    EXPECT_TRUE(state.Click(0));
    EXPECT_FALSE(state.Click(0));
    EXPECT_TRUE(state.Click(0));
    EXPECT_TRUE(state.Click(2));
    EXPECT_FALSE(state.Click(2));
    EXPECT_TRUE(state.Click(0));
    EXPECT_EQ(state.column, 0);
}

TEST(RowOrder, ArrivalPlacesByNameTextWithoutCaseAfterEqualNames)
{
    const RowOrder arrival;
    // An unnamed row is "<none>" here, unlike in the Name column's sort.
    std::vector<SortTexts> rows = TextsOfNames({"", "alpha", "Beta", "gamma"});
    EXPECT_EQ("<none>", rows[0].name);
    EXPECT_EQ(3u, arrival.Place(rows, Texts(Named("BETA")), Self));
    EXPECT_EQ(4u, arrival.Place(rows, Texts(Named("zeta")), Self));
    EXPECT_EQ(1u, arrival.Place(rows, Texts(Named("Aa")), Self));
    EXPECT_EQ(0u, arrival.Place(rows, Texts(Named("<")), Self));
    // A Name header sort puts the unnamed row first as well, but by its empty key.
    const RowOrder byName{COLUMN_NAME, true};
    EXPECT_LT(byName.Compare(Texts(Named("")), Texts(Named("!"))), 0);
    EXPECT_GT(arrival.Compare(Texts(Named("")), Texts(Named("!"))), 0);
}

TEST(RowOrder, PlaceFollowsASortedColumnAndDirection)
{
    std::vector<SortTexts> rows{Texts(Named("c", "", "http://10.0.0.3/")), Texts(Named("a", "", "http://10.0.0.1/")),
                                Texts(Named("b", "", "http://10.0.0.2/"))};
    const RowOrder byAddressDown{COLUMN_IP_ADDRESS, false};
    byAddressDown.Sort(rows, Self);
    EXPECT_EQ("c", rows[0].name);
    EXPECT_EQ("a", rows[2].name);
    EXPECT_EQ(1u, byAddressDown.Place(rows, Texts(Named("x", "", "http://10.0.0.25/")), Self));
    EXPECT_EQ(3u, byAddressDown.Place(rows, Texts(Named("x", "", "http://10.0.0.0/")), Self));
    // Dimensions find all rows equal: a new row goes last, a sort keeps the order.
    const RowOrder byDimensions{COLUMN_DIMENSIONS, true};
    EXPECT_EQ(3u, byDimensions.Place(rows, Texts(Named("")), Self));
    byDimensions.Sort(rows, Self);
    EXPECT_EQ("c", rows[0].name);
}

TEST(RowOrder, InPlaceTellsWhenAChangedRowNoLongerFits)
{
    const RowOrder arrival;
    std::vector<SortTexts> rows = TextsOfNames({"a", "b", "c"});
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_TRUE(arrival.InPlace(rows, i, Self));
    rows[1] = Texts(Named("B"));  // equal without case: stays
    EXPECT_TRUE(arrival.InPlace(rows, 1, Self));
    rows[1] = Texts(Named("d"));
    EXPECT_FALSE(arrival.InPlace(rows, 1, Self));
    rows[0] = Texts(Named("z"));
    EXPECT_FALSE(arrival.InPlace(rows, 0, Self));
    rows = TextsOfNames({"only"});
    EXPECT_TRUE(arrival.InPlace(rows, 0, Self));
}

}  // namespace signseek
