#include "discovery/DisplaySort.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

namespace {
DeviceRecord Named(const std::string& description, const std::string& dhcp = {}, const std::string& xAddrs = {})
{
    DeviceRecord r = MakeRecord("urn:" + description, xAddrs);
    if (!description.empty())
        r.metadata.push_back("<Description>" + description + "</Description>");
    if (!dhcp.empty())
        r.metadata.push_back("<DHCPName>" + dhcp + "</DHCPName>");
    return r;
}
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
    for (int column : {int{COLUMN_DIMENSIONS}, 4, -1, 1000}) {
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
