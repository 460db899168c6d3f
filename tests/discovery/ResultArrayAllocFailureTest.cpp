// Runs in its own binary: it replaces the global array allocation functions
// so that the result array's allocation can be made to fail.
#include "discovery/ResultArray.h"

#include "TestRecords.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
bool g_failArrayNew = false;
}

void* operator new[](std::size_t size)
{
    if (g_failArrayNew)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

TEST(ResultArrayAllocation, FailureGivesNullAndZeroCount)
{
    const std::vector<DeviceRecord> devices = {MakeRecord("urn:1", "a")};
    g_failArrayNew = true;
    const ResultArray failed = MakeResultArray(devices);
    g_failArrayNew = false;
    EXPECT_EQ(failed.records, nullptr);
    EXPECT_EQ(failed.count, 0u);

    const ResultArray ok = MakeResultArray(devices);
    ASSERT_NE(ok.records, nullptr);
    EXPECT_EQ(ok.count, 1u);
}
