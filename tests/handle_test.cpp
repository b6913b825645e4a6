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
    }
    EXPECT_EQ(closed, 3);
}

TEST(UniqueHandle, ReleaseHandsOverWithoutClosing) {
    closed = 0;
    Counted owner(5);
    EXPECT_EQ(owner.release(), 5);
    owner.reset();
    EXPECT_EQ(closed, 0);
}

TEST(UniqueHandle, OwnsRealRegistryKeys) {
    UniqueKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ, key.put()),
              ERROR_SUCCESS);
    HKEY raw = key.get();
    key.reset();
    // The handle was closed: using it again fails.
    EXPECT_NE(RegQueryInfoKeyW(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
}
