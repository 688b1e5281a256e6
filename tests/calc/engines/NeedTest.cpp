#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "base/Tolerance.h"
#include "calc/JobGenerator.h"
#include "calc/engines/Cal1.h"
#include "calc/engines/Cal3.h"
#include "result/ResultJson.h"

namespace {

// An engine laid out with a need, as LayoutBoardBest asks its attempts on fewer parts.
template <class Engine>
class WithNeed : public Engine {
public:
    int LayoutBoardNeeding(double need, const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                           const CalRect& rect)
    {
        this->m_need.Area = need;
        return this->LayoutBoard(remaining, left, layout, rect);
    }
};

// A stack engine that adds what its bound left out and the boards its budget cut short to two
// counters as it goes.
class CountingStacks : public CCal3 {
public:
    CountingStacks(std::int64_t& cutOffs, std::int64_t& cutShort) : m_cutOffs(cutOffs), m_cutShort(cutShort)
    {
    }
    ~CountingStacks() override
    {
        m_cutOffs += BoundCutOffs();
        m_cutShort += SearchCutShort;
    }

private:
    std::int64_t& m_cutOffs;
    std::int64_t& m_cutShort;
};

// An engine that checks, at every fill, the parts area its caller told it against the lists it got.
template <class Engine>
class CheckingAvailable : public Engine {
public:
    CheckingAvailable(std::int64_t& told, std::int64_t& wrong) : m_told(told), m_wrong(wrong) {}
    int LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout, const CalRect& rect) override
    {
        if (this->m_need.Available >= 0.0) {
            ++m_told;
            m_wrong += this->m_need.Available == this->PartsAreaOf(remaining[0]) ? 0 : 1;
        }
        return Engine::LayoutBoard(remaining, left, layout, rect);
    }

private:
    std::int64_t& m_told;
    std::int64_t& m_wrong;
};

// Parts of several sizes in twos to sixes: the attempts on fewer parts run on most boards (of three
// jobs in four). One or two board kinds (the boards are laid out in turn and the best kept).
TestJob Repeated(std::uint32_t seed)
{
    Dice dice(seed);
    TestJob job;
    job.Set.UseSmallPat = seed % 4 != 0;  // without: the board's layout itself needs what beats the best
    job.Set.Use2ko1 = seed % 3 != 0;  // the improvement passes (without secondary parts)
    job.Kerf(dice.Between(0, 2) * 20);
    if (dice.Between(0, 3) == 0) {
        job.Set.MaxCutSize = dice.Between(2500, 5000);
    }
    job.Board(dice.Between(3000, 5000), dice.Between(2000, 3000), 9999, 0, dice.Between(0, 9) * 1000);
    // A second board kind: the attempts on fewer parts of the board laid out second need what
    // beats the first.
    if (dice.Between(0, 1) == 0) {
        job.Board(dice.Between(2000, 4000), dice.Between(1500, 3000), 9999, 0, dice.Between(1, 9) * 1000);
        job.Set.NoRateFlg = dice.Between(0, 2) == 0;
    }
    const int types = dice.Between(3, 6);
    for (int i = 0; i < types; ++i) {
        job.Parts(dice.Between(300, 2000), dice.Between(300, 1400), dice.Between(2, 6),
                  dice.Between(0, 3) == 0 ? 1 : 0);
    }
    if (dice.Between(0, 2) == 0) {
        job.Secondary(dice.Between(200, 800), dice.Between(200, 800), dice.Between(1, 4));
    }
    return job;
}

std::string JsonOf(const COutData& layout, const BuzaiLists& left)
{
    CRetData ret;
    ret.Layouts.push_back(layout);
    std::string text = ResultToJson(ret);
    for (const auto& list : left) {
        for (const CAL_BUZAI& e : list) {
            text += " " + std::to_string(e.Number) + ":" + std::to_string(e.Count);
        }
        text += " |";
    }
    return text;
}

// For every need around the layout's own parts area: at or below it the fill is the engine's own
// layout, above it any layout that places less; the result flag is the same either way.
template <class Engine>
void ExpectNeedsServed(const char* name, Engine& engine, const BuzaiLists& remaining, const CalRect& rect,
                       int& own, int& shortOfNeed)
{
    COutData plain;
    BuzaiLists plainLeft;
    const int plainResult = engine.LayoutBoardNeeding(-std::numeric_limits<double>::infinity(), remaining,
                                                      plainLeft, plain, rect);
    const double p = plain.PartsArea;
    const double needs[] = {0.0, p / 2, p - 1.0, p, p + 1.0, p * 1.05 + 1.0, 1e18};
    for (const double need : needs) {
        SCOPED_TRACE(std::string(name) + ", need " + std::to_string(need) + " of " + std::to_string(p));
        COutData layout;
        BuzaiLists left;
        const int result = engine.LayoutBoardNeeding(need, remaining, left, layout, rect);
        EXPECT_EQ(result, plainResult);
        if (DoubleLess(p, need)) {
            EXPECT_TRUE(DoubleLess(layout.PartsArea, need)) << layout.PartsArea;
            // Something, where anything fits: a board layout without pieces could not be repeated.
            EXPECT_EQ(layout.Blocks.empty(), plain.Blocks.empty());
            ++shortOfNeed;
        } else {
            ASSERT_EQ(JsonOf(layout, left), JsonOf(plain, plainLeft));
            ++own;
        }
    }
}

}  // namespace

// A fill told what it must place is the engine's own layout whenever that reaches the need, and
// otherwise places less than the need: boards and rectangles cut from generated jobs.
TEST(Need, FillsReachTheirNeedWithTheirOwnLayoutOrFallShortOfIt)
{
    std::mt19937 random(3);
    int own = 0, shortOfNeed = 0;
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const TestJob job = Repeated(seed);
        // Without the board memo: it would answer every need with the layout of the first ask.
        WithNeed<CCal1> blocks;
        blocks.UseMemo = 0;
        blocks.CandidateFlag = seed % 2;
        blocks.AreaFlag = seed % 3 == 0;
        job.Prepare(blocks);
        WithNeed<CCal3> stacks;
        stacks.UseMemo = 0;
        stacks.Order = seed % 3;
        stacks.Level = 2;
        stacks.SecondFlag = seed % 2;
        job.Prepare(stacks);
        WithNeed<CCal1> blocksWithMemo;
        blocksWithMemo.CandidateFlag = blocks.CandidateFlag;
        blocksWithMemo.AreaFlag = blocks.AreaFlag;
        job.Prepare(blocksWithMemo);
        WithNeed<CCal3> stacksWithMemo;
        stacksWithMemo.Order = stacks.Order;
        stacksWithMemo.Level = 2;
        stacksWithMemo.SecondFlag = stacks.SecondFlag;
        job.Prepare(stacksWithMemo);
        const CGenban& board = job.Genban.Items.front();
        for (int i = 0; i < 6; ++i) {
            const std::int32_t w =
                i == 0 ? board.Width
                       : static_cast<std::int32_t>(random() % static_cast<unsigned>(board.Width) + 1);
            const std::int32_t h =
                i == 0 ? board.Height
                       : static_cast<std::int32_t>(random() % static_cast<unsigned>(board.Height) + 1);
            const CalRect rect{0, 0, w, h};
            ExpectNeedsServed("blocks", blocks, blocks.CalData.Buzai, rect, own, shortOfNeed);
            ExpectNeedsServed("stacks", stacks, stacks.CalData.Buzai, rect, own, shortOfNeed);
            // The board memo keeps no layout that fell short: asked again without a need, the
            // board is laid out anew.
            auto shortThenOwn = [&](auto& withMemo, auto& without) {
                COutData first, again, plain;
                BuzaiLists left;
                withMemo.LayoutBoardNeeding(1e18, withMemo.CalData.Buzai, left, first, rect);
                withMemo.LayoutBoardNeeding(-std::numeric_limits<double>::infinity(), withMemo.CalData.Buzai,
                                            left, again, rect);
                without.LayoutBoardNeeding(-std::numeric_limits<double>::infinity(), without.CalData.Buzai,
                                           left, plain, rect);
                EXPECT_EQ(again.Blocks.size(), plain.Blocks.size());
                EXPECT_DOUBLE_EQ(again.PartsArea, plain.PartsArea);
            };
            shortThenOwn(blocksWithMemo, blocks);
            shortThenOwn(stacksWithMemo, stacks);
            ASSERT_LE(stacks.Fills, CCal3::kFillBudget) << "the budget would make the layouts differ";
        }
    }
    EXPECT_GT(own, 300);
    EXPECT_GT(shortOfNeed, 300);
}

// The stack engine's attempts on fewer parts leave out what cannot reach the board's own layout:
// whole runs of generated jobs whose searches end within the budget are the same byte for byte.
TEST(Need, StackEngineRunsComeOutTheSameWithAndWithoutTheBound)
{
    struct Variant {
        const char* name;
        int order, area, second;
    };
    const Variant variants[] = {
        {"order 2 area 0 second 0", 2, 0, 0},
        {"order 1 area 1 second 1", 1, 1, 1},
        {"order 0 area 0 second 1", 0, 0, 1},
    };
    for (const Variant& v : variants) {
        std::int64_t cutOffs[2] = {}, cutShort[2] = {};
        auto make = [&](int bound) {
            auto engine = std::make_unique<CountingStacks>(cutOffs[bound], cutShort[bound]);
            engine->Order = v.order;
            engine->Level = 2;
            engine->AreaFlag = v.area;
            engine->SecondFlag = v.second;
            engine->UseBound = bound;
            return engine;
        };
        for (std::uint32_t seed = 1; seed <= 30; ++seed) {
            SCOPED_TRACE(std::string(v.name) + ", seed " + std::to_string(seed));
            const TestJob job = Repeated(seed);
            const JobRun without = RunEveryGroup(job, [&] { return make(0); });
            const JobRun with = RunEveryGroup(job, [&] { return make(1); });
            ASSERT_EQ(ResultToJson(with.Ret), ResultToJson(without.Ret)) << DescribeJob(job);
            ASSERT_EQ(with.LeftYBuzai, without.LeftYBuzai);
            ASSERT_EQ(with.States, without.States);
        }
        EXPECT_EQ(cutShort[0] + cutShort[1], 0) << v.name;
        EXPECT_EQ(cutOffs[0], 0) << v.name;
        EXPECT_GT(cutOffs[1], 100) << v.name;  // the comparison exercised the bound
    }
}

// A fill is told the parts area of the lists it is given (the area its caller had, less what the
// stack or block and the first sub-rectangle placed) in place of summing the lists again.
TEST(Need, FillsAreToldThePartsAreaOfTheirLists)
{
    std::int64_t told[2] = {}, wrong[2] = {};
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const TestJob job = Repeated(seed);
        RunEveryGroup(job, [&] {
            auto engine = std::make_unique<CheckingAvailable<CCal1>>(told[0], wrong[0]);
            engine->CandidateFlag = static_cast<int>(seed % 2);
            engine->AreaFlag = static_cast<int>(seed / 2 % 2);
            return engine;
        });
        RunEveryGroup(job, [&] {
            auto engine = std::make_unique<CheckingAvailable<CCal3>>(told[1], wrong[1]);
            engine->Order = static_cast<int>(seed % 3);
            engine->Level = 2;
            engine->SecondFlag = static_cast<int>(seed / 3 % 2);
            return engine;
        });
    }
    for (int e = 0; e < 2; ++e) {
        SCOPED_TRACE(e == 0 ? "block engine" : "stack engine");
        EXPECT_EQ(wrong[e], 0);
        EXPECT_GT(told[e], 1000);
    }
}

// The parts area a board must reach to replace the best board so far: no layout below it does,
// even with every other measure at its best, and one just above the least that does is not
// refused. Yields only, and price per yield.
TEST(Need, PartsAreaToBeatTheBestBoard)
{
    struct Case {
        const char* what;
        bool ignorePrice;
        double bestYield, bestRate, rate, area;
    };
    const Case cases[] = {
        {"yields", true, 0.93, 0.0, 0.0, 2440.0 * 1220.0 * 100.0},
        {"yields, small board", true, 0.5, 0.0, 0.0, 3000.0 * 2000.0},
        {"yields, a full best", true, 1.0, 0.0, 0.0, 1820.0 * 910.0 * 100.0},
        {"same price", false, 0.93, 1e-3, 1e-3, 2440.0 * 1220.0 * 100.0},
        {"dearer board", false, 0.8, 1e-3, 1.1e-3, 3000.0 * 2000.0},
        {"cheaper board", false, 0.95, 2e-4, 1e-4, 1820.0 * 910.0 * 100.0},
        {"cheap prices", false, 0.9, 1e-8, 1.2e-8, 2440.0 * 1220.0 * 100.0},
    };
    auto layoutOf = [](double partsArea, double area) {
        COutData layout;
        layout.PartsArea = layout.TotalArea = partsArea;
        layout.PartsYield = partsArea / area;
        layout.TotalYield = 1.0;  // the best it could be: only the parts yield can refuse it
        return layout;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CCalHaichi::Candidate best;
        best.layout.PartsYield = c.bestYield;
        best.layout.TotalYield = c.bestYield;
        best.layout.PartsArea = best.layout.TotalArea = c.bestYield * c.area;
        best.rate = c.bestRate;
        const double need = PartsAreaToBeat(best, c.rate, c.area, c.ignorePrice);
        // The least parts area that beats it, by bisection (more never beats less).
        double lo = 0.0, hi = c.area * 2;
        ASSERT_TRUE(BeatsCandidate(layoutOf(hi, c.area), c.rate, best, c.ignorePrice));
        for (int i = 0; i < 200; ++i) {
            const double mid = (lo + hi) / 2;
            (BeatsCandidate(layoutOf(mid, c.area), c.rate, best, c.ignorePrice) ? hi : lo) = mid;
        }
        EXPECT_LE(need, lo);
        EXPECT_FALSE(BeatsCandidate(layoutOf(need, c.area), c.rate, best, c.ignorePrice));
        EXPECT_GE(need, hi * (1.0 - 1e-6) - 2.0);
    }
    // Nothing to beat: a best without yield, a free board against a priced one.
    CCalHaichi::Candidate empty;
    EXPECT_EQ(PartsAreaToBeat(empty, 1e-3, 1e6, false), -std::numeric_limits<double>::infinity());
    CCalHaichi::Candidate priced;
    priced.layout.PartsYield = 0.9;
    priced.rate = 1e-3;
    EXPECT_EQ(PartsAreaToBeat(priced, 0.0, 1e6, false), -std::numeric_limits<double>::infinity());
}
