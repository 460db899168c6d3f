#include "discovery/ResultArray.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

namespace signseek {

TEST(ResultArray, CopiesRecordsInOrder)
{
    std::vector<DeviceRecord> devices = {MakeRecord("urn:1", "a"), MakeRecord("urn:2", "b")};
    devices[1].metadata = {"<M>1</M>"};
    const std::unique_ptr<DeviceRecord[]> records = MakeRecordArray(devices);
    ASSERT_NE(records, nullptr);
    EXPECT_EQ(records[0], devices[0]);
    EXPECT_EQ(records[1], devices[1]);
    devices[1].metadata[0] = "changed";
    EXPECT_EQ(records[1].metadata[0], "<M>1</M>");
}

TEST(ResultArray, NoDevicesGiveAValidEmptyArray) { EXPECT_NE(MakeRecordArray({}), nullptr); }

}  // namespace signseek
