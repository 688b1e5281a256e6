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
