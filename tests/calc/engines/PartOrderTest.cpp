#include "calc/engines/PartOrder.h"

#include <gtest/gtest.h>

#include <random>

#include "job/Buzai.h"

namespace {

CBuzaiList PartsOfSizes(const std::vector<std::pair<std::int32_t, std::int32_t>>& sizes)
{
    CBuzaiList parts;
    for (const auto& [width, height] : sizes) {
        CBuzai part;
        part.Width = width;
        part.Height = height;
        parts.Items.push_back(part);
    }
    parts.Renumber();
    return parts;
}

std::vector<std::int32_t> Numbers(const std::vector<CAL_BUZAI>& entries)
{
    std::vector<std::int32_t> numbers;
    for (const CAL_BUZAI& entry : entries) {
        numbers.push_back(entry.Number);
    }
    return numbers;
}

// Each entry inserted before the first one it beats: the order the engines have always used.
std::vector<std::int32_t> InsertionOrder(const CBuzaiList& parts, const std::vector<CAL_BUZAI>& source,
                                         int areaFlag)
{
    auto beats = [&](std::int32_t n, std::int32_t e) {
        const CBuzai& a = parts.Items[n];
        const CBuzai& b = parts.Items[e];
        const std::int32_t la = std::max(a.Width, a.Height), lb = std::max(b.Width, b.Height);
        const double aa = static_cast<double>(a.Width) * a.Height,
                     ab = static_cast<double>(b.Width) * b.Height;
        return areaFlag == 0 ? (lb < la || (lb == la && ab < aa)) : (ab < aa || (ab == aa && lb < la));
    };
    std::vector<std::int32_t> order;
    for (const CAL_BUZAI& entry : source) {
        auto at = order.begin();
        while (at != order.end() && !beats(entry.Number, *at)) {
            ++at;
        }
        order.insert(at, entry.Number);
    }
    return order;
}

}  // namespace

// 0: 100 x 50, 1: 50 x 100 (same keys as 0), 2: 100 x 80, 3: 120 x 10, 4: 80 x 100 (same as 2)
TEST(PartOrder, LargerFirstAndTiesInInputOrder)
{
    const CBuzaiList parts = PartsOfSizes({{1000, 500}, {500, 1000}, {1000, 800}, {1200, 100}, {800, 1000}});
    std::vector<CAL_BUZAI> source;
    for (std::int32_t i = 0; i < 5; ++i) {
        source.push_back(CAL_BUZAI{i, 10 + i, 0});
    }
    struct Case {
        int areaFlag;
        std::vector<std::int32_t> order;
    };
    for (const Case& c : {Case{0, {3, 2, 4, 0, 1}}, Case{1, {2, 4, 0, 1, 3}}}) {
        SCOPED_TRACE(c.areaFlag);
        std::vector<CAL_BUZAI> target = {CAL_BUZAI{9, 9, 9}};  // rebuilt, not appended to
        SortIntoPartOrder(target, source, parts, 1, c.areaFlag);
        EXPECT_EQ(Numbers(target), c.order);
        for (const CAL_BUZAI& entry : target) {
            EXPECT_EQ(entry.Count, 10 + entry.Number);
            EXPECT_EQ(entry.Flag, 1);
        }
    }
}

// Many ties among few sizes, in both flags: the same order as inserting one by one.
TEST(PartOrder, SameOrderAsInsertingOneByOne)
{
    std::mt19937 random(7);
    std::vector<std::pair<std::int32_t, std::int32_t>> sizes;
    for (int i = 0; i < 600; ++i) {
        sizes.emplace_back(std::uniform_int_distribution<int>(1, 6)(random) * 100,
                           std::uniform_int_distribution<int>(1, 6)(random) * 100);
    }
    const CBuzaiList parts = PartsOfSizes(sizes);
    std::vector<CAL_BUZAI> source;
    for (std::int32_t i = 0; i < 600; ++i) {
        source.push_back(CAL_BUZAI{(i * 7) % 600, 1, 0});  // not in list order
    }
    for (int areaFlag : {0, 1}) {
        SCOPED_TRACE(areaFlag);
        std::vector<CAL_BUZAI> target;
        SortIntoPartOrder(target, source, parts, 0, areaFlag);
        EXPECT_EQ(Numbers(target), InsertionOrder(parts, source, areaFlag));
    }
}
