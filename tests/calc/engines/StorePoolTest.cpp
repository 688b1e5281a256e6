#include "calc/engines/StorePool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

std::byte* Storage(std::size_t bytes)
{
    return static_cast<std::byte*>(std::malloc(bytes));
}

}  // namespace

// Which storage an ask takes, from kept storage of 10, 30 and 20 bytes.
TEST(StorePool, TakesTheLargestOrTheSmallestThatIsLargeEnough)
{
    struct Case {
        std::size_t asked;
        bool largest;
        std::size_t taken;  // 0: none
    };
    const Case cases[] = {
        {5, true, 30},  {5, false, 10},  {11, false, 20}, {20, false, 20},
        {21, true, 30}, {30, false, 30}, {31, true, 0},   {31, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.asked << (c.largest ? " largest" : " smallest"));
        StorePool pool(100);
        for (std::size_t bytes : {10, 30, 20}) {
            pool.Give(Storage(bytes), bytes);
        }
        std::size_t bytes = c.asked;
        std::byte* const store = pool.Take(bytes, c.largest);
        if (c.taken == 0) {
            EXPECT_EQ(store, nullptr);
            EXPECT_EQ(bytes, c.asked);
            EXPECT_EQ(pool.KeptBytes(), 60U);
            continue;
        }
        ASSERT_NE(store, nullptr);
        EXPECT_EQ(bytes, c.taken);
        EXPECT_EQ(pool.KeptBytes(), 60U - c.taken);
        std::free(store);
    }
}

// The pool keeps at most its bytes: a larger store pushes smaller ones out, a smaller one than all
// kept is not kept. The same storage comes back out of it.
TEST(StorePool, KeepsTheLargestWithinItsBytes)
{
    StorePool pool(100);
    pool.Give(Storage(40), 40);
    pool.Give(Storage(30), 30);
    pool.Give(Storage(25), 25);
    EXPECT_EQ(pool.KeptBytes(), 95U);
    pool.Give(Storage(20), 20);  // smaller than every one kept, no room
    EXPECT_EQ(pool.KeptBytes(), 95U);
    pool.Give(Storage(50), 50);  // 25 and 30 go
    EXPECT_EQ(pool.KeptBytes(), 90U);
    pool.Give(Storage(200), 200);  // larger than the pool: the others go, it is not kept either
    EXPECT_EQ(pool.KeptBytes(), 0U);

    pool.Give(Storage(40), 40);
    std::byte* const given = Storage(60);
    pool.Give(given, 60);
    std::size_t bytes = 41;
    EXPECT_EQ(pool.Take(bytes, false), given);
    EXPECT_EQ(bytes, 60U);
    std::free(given);
}
