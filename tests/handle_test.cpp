#include "common/UniqueHandle.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

int closed = 0;
struct CountingTraits {
    static int invalid() { return 0; }
    static void close(int) { ++closed; }
};
using Counted = UniqueHandle<int, CountingTraits>;

} // namespace

TEST(UniqueHandle, ClosesEveryHandleExactlyOnce) {
    closed = 0;
    {
        Counted first(1);
        Counted moved(std::move(first));
        EXPECT_FALSE(first);
        Counted assigned(2);
        assigned = std::move(moved); // closes 2, takes 1
        EXPECT_EQ(closed, 1);
        EXPECT_EQ(assigned.get(), 1);
        *assigned.put() = 3; // closes 1 before taking the new handle
        EXPECT_EQ(closed, 2);
        Counted released(4);
        EXPECT_EQ(released.release(), 4); // handed over, not closed
    }
    EXPECT_EQ(closed, 3);

    UniqueKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ, key.put()),
              ERROR_SUCCESS);
    HKEY raw = key.get();
    key.reset();
    EXPECT_NE(RegQueryInfoKeyW(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS)
        << "a closed key cannot be used";
}
