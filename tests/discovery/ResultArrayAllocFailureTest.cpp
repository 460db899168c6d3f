// Runs in its own binary: it replaces the global array allocation functions
// so that the result array's allocation can be made to fail.
#include "discovery/ResultArray.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

using namespace signseek;

namespace {
bool g_failArrayNew = false;
}

void* operator new[](std::size_t size)
{
    if (g_failArrayNew) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

TEST(ResultArrayAllocation, FailureGivesNull)
{
    const std::vector<DeviceRecord> devices = {MakeRecord("urn:1", "a")};
    g_failArrayNew = true;
    const std::unique_ptr<DeviceRecord[]> failed = MakeRecordArray(devices);
    g_failArrayNew = false;
    EXPECT_EQ(failed, nullptr);

    const std::unique_ptr<DeviceRecord[]> ok = MakeRecordArray(devices);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok[0], devices[0]);
}
