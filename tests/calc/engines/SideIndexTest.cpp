#include "calc/engines/SideIndex.h"

#include <gtest/gtest.h>

#include <vector>

#include "calc/CalHaichi.h"
#include "calc/JobGenerator.h"

namespace {

using PartSize = CCalHaichi::PartSize;

// The lists of `parts`, parts in list 0 and secondary parts (numbers from 100) in list 1.
struct Parts {
    std::vector<PartSize> sizes;
    std::vector<PartSize> secondary;
    BuzaiLists Lists() const
    {
        BuzaiLists lists;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            lists[0].push_back(CAL_BUZAI{static_cast<std::int32_t>(i), 1, 0});
        }
        for (std::size_t i = 0; i < secondary.size(); ++i) {
            lists[1].push_back(CAL_BUZAI{static_cast<std::int32_t>(100 + i), 1, 1});
        }
        return lists;
    }
    PartSize operator()(int list, std::int32_t number) const
    {
        return list == 0 ? sizes.at(static_cast<std::size_t>(number))
                         : secondary.at(static_cast<std::size_t>(number - 100));
    }
    bool AnyFits(std::int64_t width, std::int64_t height) const
    {
        for (const auto* set : {&sizes, &secondary}) {
            for (const PartSize& p : *set) {
                if (p.FitsWithin(width, height)) {
                    return true;
                }
            }
        }
        return false;
    }
};

}  // namespace

TEST(SideIndex, NoneFitsExactlyWhenNoPartFits)
{
    struct Case {
        const char* what;
        Parts parts;
        std::int64_t width, height;
        bool none;
    };
    const Case cases[] = {
        {"narrower than every part", {{{300, 200, 0}, {500, 400, 1}}, {}}, 199, 5000, true},
        {"turned to fit", {{{300, 200, 0}}, {}}, 200, 300, false},
        {"a NoTurn part is not turned", {{{300, 200, 1}}, {}}, 200, 300, true},
        {"a NoTurn part as it is", {{{300, 200, 1}}, {}}, 300, 200, false},
        {"the short side fits, the long one not", {{{300, 200, 0}, {250, 250, 0}}, {}}, 240, 290, true},
        {"a later part of a larger short side", {{{600, 100, 0}, {250, 250, 0}}, {}}, 250, 260, false},
        {"a secondary part fits", {{{300, 200, 0}}, {{50, 60, 0}}}, 60, 50, false},
        {"an empty rectangle", {{{1, 1, 0}}, {}}, 0, 10, true},
        {"no parts", {{}, {}}, 1000, 1000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SideIndex index;
        index.Make(c.parts.Lists(), c.parts);
        EXPECT_EQ(index.NoneFits(c.width, c.height), c.none);
    }
}

// Against a scan of every part, over random parts and rectangles.
TEST(SideIndex, AgreesWithAScanOfEveryPart)
{
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE(seed);
        Dice dice(seed);
        Parts parts;
        const int count = dice.Between(0, 12);
        for (int i = 0; i < count; ++i) {
            auto& set = dice.Chance(20) ? parts.secondary : parts.sizes;
            set.push_back(PartSize{dice.Between(1, 60), dice.Between(1, 60), dice.Chance(30) ? 1 : 0});
        }
        SideIndex index;
        index.Make(parts.Lists(), parts);
        for (int r = 0; r < 50; ++r) {
            const std::int64_t width = dice.Between(-2, 70), height = dice.Between(-2, 70);
            ASSERT_EQ(index.NoneFits(width, height), !parts.AnyFits(width, height))
                << width << " x " << height;
        }
    }
}
