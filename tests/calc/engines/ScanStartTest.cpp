#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "calc/JobGenerator.h"
#include "calc/engines/Cal1.h"
#include "calc/engines/Cal3.h"
#include "result/ResultJson.h"

namespace {

// Parts of many sizes on one board kind: the larger ones no longer fit the small rectangles deep
// in the recursion, which is where the scans start later. Kerf, NoTurn, a cutting limit and
// secondary parts now and then.
TestJob MixedSizes(std::uint32_t seed)
{
    Dice dice(seed);
    TestJob job;
    job.Kerf(dice.Between(0, 2) * 20);
    if (dice.Between(0, 3) == 0) {
        job.Set.MaxCutSize = dice.Between(2500, 5000);
    }
    job.Board(dice.Between(3000, 6000), dice.Between(2000, 4000));
    // Every other job draws its sides from a few lengths: parts of equal area, layouts that tie.
    const bool few = seed % 2 == 0;
    const std::int32_t sides[] = {200, 300, 400, 600, 900, 1200};
    auto side = [&](std::int32_t lo, std::int32_t hi) {
        return few ? sides[dice.Between(0, 5)] : dice.Between(lo, hi);
    };
    const int types = dice.Between(6, 10);
    for (int i = 0; i < types; ++i) {
        job.Parts(side(150, 2200), side(150, 1600), dice.Between(1, 3), dice.Between(0, 3) == 0 ? 1 : 0);
    }
    if (dice.Between(0, 2) == 0) {
        job.Secondary(dice.Between(100, 800), dice.Between(100, 800), dice.Between(1, 4));
    }
    return job;
}

struct Variant {
    const char* name;
    std::function<std::unique_ptr<CCalHaichi>(int scanStart)> make;
};

std::unique_ptr<CCalHaichi> Stacks(int order, int area, int second, int scanStart)
{
    auto engine = std::make_unique<CCal3>();
    engine->Order = order;
    engine->Level = 2;
    engine->AreaFlag = area;
    engine->SecondFlag = second;
    engine->UseScanStart = scanStart;
    return engine;
}

std::unique_ptr<CCalHaichi> Blocks(int candidate, int area, int scanStart)
{
    auto engine = std::make_unique<CCal1>(candidate, area);
    engine->UseScanStart = scanStart;
    return engine;
}

const Variant kVariants[] = {
    {"stacks order 2 area 0 second 0", [](int s) { return Stacks(2, 0, 0, s); }},
    {"stacks order 1 area 1 second 1", [](int s) { return Stacks(1, 1, 1, s); }},
    {"stacks order 0 area 0 second 1", [](int s) { return Stacks(0, 0, 1, s); }},
    {"blocks candidate 0 area 0", [](int s) { return Blocks(0, 0, s); }},
    {"blocks candidate 1 area 1", [](int s) { return Blocks(1, 1, s); }},
};

}  // namespace

// Starting the scans of a sub-rectangle where the enclosing rectangle's first fit was changes
// nothing: whole runs of generated jobs are the same byte for byte with and without it.
TEST(ScanStart, RecursiveEngineRunsComeOutTheSame)
{
    for (const Variant& v : kVariants) {
        for (std::uint32_t seed = 1; seed <= 30; ++seed) {
            SCOPED_TRACE(std::string(v.name) + ", seed " + std::to_string(seed));
            const TestJob job = MixedSizes(seed);
            const JobRun without = RunEveryGroup(job, [&] { return v.make(0); });
            const JobRun with = RunEveryGroup(job, [&] { return v.make(1); });
            ASSERT_EQ(ResultToJson(with.Ret), ResultToJson(without.Ret)) << DescribeJob(job);
            ASSERT_EQ(with.LeftYBuzai, without.LeftYBuzai);
            ASSERT_EQ(with.States, without.States);
        }
    }
}

// Passing over the sub-rectangles that no part of the board's lists fits, without a scan or a copy
// of the lists, changes nothing either.
TEST(SideIndex, StripStackRunsComeOutTheSame)
{
    struct Case {
        int order, area, second;
    };
    for (const Case& c : {Case{2, 0, 0}, Case{1, 1, 1}, Case{0, 0, 1}}) {
        for (std::uint32_t seed = 1; seed <= 30; ++seed) {
            SCOPED_TRACE("order " + std::to_string(c.order) + ", area " + std::to_string(c.area) +
                         ", second " + std::to_string(c.second) + ", seed " + std::to_string(seed));
            const TestJob job = seed % 3 == 0 ? FewerParts(GenerateJob(seed)) : MixedSizes(seed);
            auto run = [&](bool index) {
                return RunEveryGroup(job, [&] {
                    auto engine = Stacks(c.order, c.area, c.second, 1);
                    dynamic_cast<CCal3&>(*engine).UseSideIndex = index;
                    return engine;
                });
            };
            const JobRun without = run(false);
            const JobRun with = run(true);
            ASSERT_EQ(ResultToJson(with.Ret), ResultToJson(without.Ret)) << DescribeJob(job);
            ASSERT_EQ(with.LeftYBuzai, without.LeftYBuzai);
            ASSERT_EQ(with.States, without.States);
        }
    }
}

// Nor where the fill budget ends a board's search: the fills passed over count as before. A board
// of many small parts goes past the budget.
TEST(SideIndex, ABoardPastTheFillBudgetComesOutTheSame)
{
    TestJob job = TestJob().Board(24300, 12200).Kerf(30);
    for (int i = 0; i < 14; ++i) {
        job.Parts(300 + 170 * i, 200 + 90 * (i % 5), 6 + i % 4, i % 3 == 0);
    }
    struct Board {
        COutData layout;
        BuzaiLists left;
        std::int64_t fills = 0;
        std::int64_t cutShort = 0;
    };
    auto layOut = [&](bool index) {
        CCal3 engine;
        engine.Order = 2;
        engine.Level = 2;
        engine.SecondFlag = 1;
        engine.UseSideIndex = index;
        job.Prepare(engine);
        Board board;
        EXPECT_EQ(
            engine.LayoutBoard(engine.CalData.Buzai, board.left, board.layout, CalRect{0, 0, 24300, 12200}),
            1);
        board.fills = engine.Fills;
        board.cutShort = engine.SearchCutShort;
        return board;
    };
    const Board without = layOut(false);
    const Board with = layOut(true);
    ASSERT_GT(without.fills, CCal3::kFillBudget);
    EXPECT_EQ(with.fills, without.fills);
    EXPECT_EQ(with.cutShort, without.cutShort);
    EXPECT_EQ(with.layout.Blocks, without.layout.Blocks);
    EXPECT_EQ(with.layout.CutLines, without.layout.CutLines);
    EXPECT_EQ(with.left, without.left);
}
