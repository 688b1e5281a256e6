#include "base/ExchangeSort.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

struct Item {
    std::int32_t Length = 0;
    std::int32_t Across = 0;
    int Id = 0;  // tells tied items apart
    friend bool operator==(const Item&, const Item&) = default;
};

bool LongerThenWider(const Item& x, const Item& y)
{
    return x.Length > y.Length || (x.Length == y.Length && x.Across > y.Across);
}

std::uint64_t RankOf(const Item& c)
{
    return FallingRank(c.Length, c.Across);
}

}  // namespace

// The order of tied items is what the exchanges leave: the ranked sort must make exactly the same
// exchanges, on lists of few distinct sizes (many ties), of many, and of the int32 extremes.
TEST(ExchangeSort, ByRankMakesTheSameExchanges)
{
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const std::vector<std::int32_t> extremes = {kMin, kMin + 1, -1, 0, 1, kMax - 1, kMax};
    std::mt19937 random(7);
    std::vector<std::uint64_t> ranks;
    int tiedLists = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        const int n = static_cast<int>(random() % 60);
        const int sizes = trial % 3 == 0 ? 3 : trial % 3 == 1 ? 20 : 1000;
        std::vector<Item> items;
        for (int i = 0; i < n; ++i) {
            Item item{static_cast<std::int32_t>(random() % sizes),
                      static_cast<std::int32_t>(random() % sizes), i};
            if (trial % 10 == 9) {
                item.Length = extremes[random() % extremes.size()];
                item.Across = extremes[random() % extremes.size()];
            }
            items.push_back(item);
        }
        std::vector<Item> expected = items;
        ExchangeSort(expected, LongerThenWider);
        std::vector<Item> sorted = items;
        ExchangeSortByRank(sorted, ranks, RankOf);
        ASSERT_EQ(sorted, expected) << "trial " << trial;
        for (std::size_t i = 1; i < expected.size(); ++i) {
            if (!LongerThenWider(expected[i - 1], expected[i]) &&
                !LongerThenWider(expected[i], expected[i - 1])) {
                ++tiedLists;
                break;
            }
        }
    }
    EXPECT_GT(tiedLists, 1000);
}

TEST(ExchangeSort, FallingRankOrdersAsTheComparison)
{
    const std::vector<std::int32_t> values = {std::numeric_limits<std::int32_t>::min(), -5, -1, 0, 1, 7,
                                              std::numeric_limits<std::int32_t>::max()};
    for (std::int32_t a : values) {
        for (std::int32_t b : values) {
            for (std::int32_t c : values) {
                for (std::int32_t d : values) {
                    const Item x{a, b, 0}, y{c, d, 0};
                    EXPECT_EQ(RankOf(x) < RankOf(y), LongerThenWider(x, y))
                        << a << " " << b << " " << c << " " << d;
                }
            }
        }
    }
}
