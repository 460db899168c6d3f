#include "discovery/ResultArray.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

TEST(ResultArray, CopiesRecordsInOrder)
{
    std::vector<DeviceRecord> devices = {MakeRecord("urn:1", "a"), MakeRecord("urn:2", "b")};
    devices[1].metadata = {"<M>1</M>"};
    const ResultArray result = MakeResultArray(devices);
    ASSERT_NE(result.records, nullptr);
    ASSERT_EQ(result.count, 2u);
    EXPECT_EQ(result.records[0], devices[0]);
    EXPECT_EQ(result.records[1], devices[1]);
    devices[1].metadata[0] = "changed";
    EXPECT_EQ(result.records[1].metadata[0], "<M>1</M>");
}

TEST(ResultArray, NoDevicesGiveAValidEmptyArray)
{
    const ResultArray result = MakeResultArray({});
    EXPECT_NE(result.records, nullptr);
    EXPECT_EQ(result.count, 0u);
}
