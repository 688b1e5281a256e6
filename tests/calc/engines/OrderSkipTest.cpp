#include <gtest/gtest.h>

#include <random>

#include "calc/JobGenerator.h"
#include "calc/engines/Cal1.h"
#include "calc/engines/Cal2.h"
#include "calc/engines/Cal3.h"
#include "calc/engines/Cal4.h"
#include "calc/engines/SubFillMemo.h"
#include "result/ResultJson.h"

namespace {

// Many part types of sides from 40 to 2000, a fifth NoTurn, some of one size (ties of the part
// order), secondary parts now and then: long lists whose large parts fit the small rectangles
// deep in the recursion no longer.
TestJob ManyTypes(std::uint32_t seed, int types, std::int32_t boardSide = 24000)
{
    Dice dice(seed);
    TestJob job;
    job.Kerf(dice.Between(0, 2) * 15);
    job.Board(dice.Between(boardSide / 2, boardSide), dice.Between(boardSide / 4, boardSide / 2));
    for (int i = 0; i < types; ++i) {
        const std::int32_t w = dice.Chance(20) ? 600 : dice.Between(40, 2000);
        const std::int32_t h = dice.Chance(20) ? 400 : dice.Between(40, 1200);
        job.Parts(w, h, dice.Between(1, 4), dice.Chance(20) ? 1 : 0);
    }
    if (dice.Chance(50)) {
        for (int i = 0; i < 20; ++i) {
            job.Secondary(dice.Between(40, 900), dice.Between(40, 900), dice.Between(1, 3),
                          dice.Chance(30) ? 1 : 0);
        }
    }
    return job;
}

}  // namespace

// The first fit and the memo's key of a rectangle are what the scan of every entry gives, for
// both part orders, any start of the scan and rectangles from nothing fits to everything fits.
TEST(OrderSkip, FindsWhatTheFullScanFinds)
{
    for (const int area : {0, 1}) {
        for (std::uint32_t seed = 1; seed <= 6; ++seed) {
            SCOPED_TRACE("area " + std::to_string(area) + ", seed " + std::to_string(seed));
            const TestJob job = ManyTypes(seed, 60);
            CCal1 engine(0, area);
            job.Prepare(engine);
            ASSERT_EQ(engine.ListOrder, area);
            const BuzaiLists& lists = engine.CalData.Buzai;
            std::mt19937 random(seed);
            auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
            int skipped = 0;
            for (int k = 0; k < 3000; ++k) {
                const CalRect rect{0, 0, between(0, 2500), between(0, 2500)};
                const CCalHaichi::FitFrom from{static_cast<std::size_t>(between(0, 70)),
                                               static_cast<std::size_t>(between(0, 25))};
                engine.UseOrderSkip = 0;
                const CCalHaichi::FirstFit all = engine.FirstFitting(lists, rect, from);
                SubFillMemo::Key allKey;
                SubFillMemo::MakeKey(engine, lists, rect, from, allKey);
                engine.UseOrderSkip = 1;
                const CCalHaichi::FirstFit fast = engine.FirstFitting(lists, rect, from);
                SubFillMemo::Key fastKey;
                SubFillMemo::MakeKey(engine, lists, rect, from, fastKey);
                ASSERT_EQ(fast.List, all.List) << rect.Width() << " x " << rect.Height();
                ASSERT_EQ(fast.Entry, all.Entry);
                ASSERT_EQ(fast.As[0], all.As[0]);
                ASSERT_EQ(fast.As[1], all.As[1]);
                ASSERT_TRUE(std::ranges::equal(fastKey.Items(), allKey.Items()));
                ASSERT_EQ(fastKey.Hash, allKey.Hash);
                ASSERT_EQ(fastKey.First, allKey.First);
                skipped +=
                    engine.SkipTooLarge(lists[0], 0, from[0], rect.Width(), rect.Height()) > from[0] ? 1 : 0;
            }
            EXPECT_GT(skipped, 300);  // the searches did pass over large parts
        }
    }
}

// Lists in no known order are scanned from where they start.
TEST(OrderSkip, ScansListsOfNoKnownOrderWhole)
{
    const TestJob job = ManyTypes(3, 40);
    CCal1 engine(0, 0);
    job.Prepare(engine);
    const std::vector<CAL_BUZAI>& list = engine.CalData.Buzai[0];
    struct Case {
        int order, use;
        std::size_t from;
        bool skips;
    };
    for (const Case c :
         {Case{0, 1, 0, true}, Case{-1, 1, 0, false}, Case{0, 0, 0, false}, Case{0, 1, 30, false}}) {
        SCOPED_TRACE(testing::Message() << "order " << c.order << " use " << c.use << " from " << c.from);
        engine.ListOrder = c.order;
        engine.UseOrderSkip = c.use;
        // 30 of 40 from the start: fewer left than the search is worth.
        EXPECT_EQ(engine.SkipTooLarge(list, 0, c.from, 50, 50) > c.from, c.skips);
    }
}

// Whole runs of the block, strip, strip-stack and row engines on long lists come out the same
// byte for byte.
TEST(OrderSkip, EngineRunsComeOutTheSame)
{
    struct Variant {
        const char* name;
        std::function<std::unique_ptr<CCalHaichi>()> make;
    };
    const auto stacks = [](int order, int area, int second) {
        auto engine = std::make_unique<CCal3>();
        engine->Order = order;
        engine->Level = 2;
        engine->AreaFlag = area;
        engine->SecondFlag = second;
        return engine;
    };
    const auto strips = [](int order, int level, int area) {
        auto engine = std::make_unique<CCal2>();
        engine->Order = order;
        engine->Level = level;
        engine->AreaFlag = area;
        return engine;
    };
    const Variant variants[] = {
        {"stacks order 2 area 0 second 1", [&] { return stacks(2, 0, 1); }},
        {"stacks order 0 area 1 second 0", [&] { return stacks(0, 1, 0); }},
        {"blocks candidate 1 area 0", [] { return std::make_unique<CCal1>(1, 0); }},
        {"blocks candidate 0 area 1", [] { return std::make_unique<CCal1>(0, 1); }},
        {"strips order 1 level 2 area 1", [&] { return strips(1, 2, 1); }},
        {"rows order 2 level 3 area 0 second 1",
         [] {
             auto engine = std::make_unique<CCal4>();
             engine->Order = 2;
             engine->Level = 3;
             engine->SecondFlag = 1;
             return engine;
         }},
        {"rows order 0 level 1 area 1 second 0",
         [] {
             auto engine = std::make_unique<CCal4>();
             engine->Level = 1;
             engine->AreaFlag = 1;
             return engine;
         }},
    };
    for (const Variant& v : variants) {
        for (std::uint32_t seed = 1; seed <= 2; ++seed) {
            SCOPED_TRACE(std::string(v.name) + ", seed " + std::to_string(seed));
            const TestJob job = ManyTypes(seed, 24, 9000);
            auto run = [&](int use) {
                return RunEveryGroup(job, [&] {
                    auto engine = v.make();
                    engine->UseOrderSkip = use;
                    return engine;
                });
            };
            const JobRun without = run(0);
            const JobRun with = run(1);
            ASSERT_EQ(ResultToJson(with.Ret), ResultToJson(without.Ret));
            ASSERT_EQ(with.LeftYBuzai, without.LeftYBuzai);
            ASSERT_EQ(with.States, without.States);
        }
    }
}
