#include "calc/engines/Cal5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <thread>

#include "calc/CalcRun.h"
#include "calc/JobGenerator.h"
#include "calc/MessageSink.h"
#include "calc/LayoutChecker.h"
#include "calc/TestJob.h"
#include "calc/engines/Cal2.h"
#include "calc/engines/Engines.h"
#include "fakes/RecordingPrompt.h"

namespace {

struct Box {
    std::int64_t x0, y0, x1, y1;
};

constexpr int kNoCut = 1000;  // stages of pieces no straight cut separates

// The fewest stages that cut `pieces` out of `region` when the first stage cuts across axis
// `axis` (0: cuts at x positions). A stage cuts the region wherever no piece lies across;
// what a cut leaves without a piece is waste.
int Stages(const std::vector<Box>& pieces, const Box& region, int axis, int depth = 0)
{
    if (pieces.empty()) {
        return 0;
    }
    if (pieces.size() == 1) {
        const Box& p = pieces[0];
        if (p.x0 == region.x0 && p.x1 == region.x1 && p.y0 == region.y0 && p.y1 == region.y1) {
            return 0;
        }
    }
    if (depth > 12) {
        return kNoCut;
    }
    const auto low = [axis](const Box& b) { return axis == 0 ? b.x0 : b.y0; };
    const auto high = [axis](const Box& b) { return axis == 0 ? b.x1 : b.y1; };
    std::vector<Box> sorted = pieces;
    std::sort(sorted.begin(), sorted.end(), [&](const Box& a, const Box& b) { return low(a) < low(b); });
    // Slabs: the merged extents of the pieces along the axis.
    std::vector<std::vector<Box>> slabs;
    std::vector<std::int64_t> ends;
    for (const Box& p : sorted) {
        if (slabs.empty() || low(p) >= ends.back()) {
            slabs.push_back({p});
            ends.push_back(high(p));
        } else {
            slabs.back().push_back(p);
            ends.back() = std::max(ends.back(), high(p));
        }
    }
    int worst = 0;
    for (std::size_t s = 0; s < slabs.size(); ++s) {
        // A slab that is the whole region spends the stage without a cut.
        Box slab = region;
        (axis == 0 ? slab.x0 : slab.y0) = low(slabs[s][0]);
        (axis == 0 ? slab.x1 : slab.y1) = ends[s];
        worst = std::max(worst, Stages(slabs[s], slab, 1 - axis, depth + 1));
    }
    return std::min(kNoCut, 1 + worst);
}

// The fewest stages of a layout, the first stage across a direction the cutting limit allows.
int LayoutStages(const COutData& layout, const TestJob& job)
{
    const CGenban& board = job.Genban.Items.at(static_cast<std::size_t>(layout.BoardNo));
    const CalRect rect = TrimmedRect(board);
    const std::int64_t k = job.Set.NokoHaba;
    std::vector<Box> pieces;
    for (const CHaichi& block : layout.Blocks) {
        const CBuzai& part =
            (block.List == 0 ? job.Buzai : job.YBuzai).Items.at(static_cast<std::size_t>(block.Number));
        const std::int64_t sx = block.Rotated ? part.Height : part.Width;
        const std::int64_t sy = block.Rotated ? part.Width : part.Height;
        for (std::int64_t j = 0; j < block.Ny; ++j) {
            for (std::int64_t i = 0; i < block.Nx; ++i) {
                const std::int64_t x = block.X + i * (sx + k), y = block.Y + j * (sy + k);
                pieces.push_back(Box{x, y, x + sx, y + sy});
            }
        }
    }
    const Box region{rect.X0, rect.Y0, rect.X1, rect.Y1};
    int best = kNoCut;
    // Cuts at y positions run across the whole width.
    if (rect.Width() <= job.Set.MaxCutSize) {
        best = std::min(best, Stages(pieces, region, 1));
    }
    if (rect.Height() <= job.Set.MaxCutSize) {
        best = std::min(best, Stages(pieces, region, 0));
    }
    return best;
}

std::unique_ptr<CCal5> SearchEngine(int level, int effort)
{
    auto engine = std::make_unique<CCal5>();
    engine->Level = level;
    engine->Effort = effort;
    return engine;
}

std::int64_t Boards(const CRetData& ret)
{
    std::int64_t boards = 0;
    for (const COutData& layout : ret.Layouts) {
        boards += layout.Repeat;
    }
    return boards;
}

}  // namespace

TEST(Cal5Stages, CountsTheStagesOfKnownPatterns)
{
    struct Case {
        const char* name;
        std::vector<Box> pieces;
        int stages;
    };
    const Box board{0, 0, 100, 100};
    const Case cases[] = {
        {"one piece filling the board", {{0, 0, 100, 100}}, 0},
        {"one piece in a corner", {{0, 0, 50, 50}}, 2},
        {"two strips of exact pieces", {{0, 0, 50, 40}, {50, 0, 100, 40}, {0, 40, 100, 100}}, 2},
        {"a column of two stacked pieces", {{0, 0, 60, 100}, {60, 0, 100, 50}, {60, 50, 100, 100}}, 2},
        {"a stack under a trimmed piece", {{0, 0, 60, 100}, {60, 0, 100, 50}, {60, 50, 90, 100}}, 3},
        {"a pinwheel", {{0, 0, 60, 40}, {60, 0, 100, 60}, {40, 60, 100, 100}, {0, 40, 40, 100}}, kNoCut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(std::min(Stages(c.pieces, board, 0), Stages(c.pieces, board, 1)), c.stages);
    }
}

// Every generated job at every machining method: a valid result whose boards are cut in no more
// stages than the method allows, the first across a direction within the cutting limit.
TEST(Cal5, GeneratedJobsGiveValidLayoutsWithinTheStagesOfEveryMethod)
{
    const int allowed[4] = {2, 3, 4, 4};
    for (int level = 0; level <= 3; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        for (std::uint32_t seed = 1; seed <= 120; ++seed) {
            const TestJob job = GenerateJob(seed);
            SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(job));
            const JobRun run = RunEveryGroup(job, [&] { return SearchEngine(level, 1); });
            ExpectValidResult(run.Ret, job, &run.LeftYBuzai);
            for (int state : run.States) {
                EXPECT_TRUE(state == 3 || state == 4) << "state " << state;
            }
            for (const COutData& layout : run.Ret.Layouts) {
                EXPECT_LE(LayoutStages(layout, job), allowed[level]) << "layout on board " << layout.BoardNo;
            }
            if (testing::Test::HasFailure()) {
                return;
            }
        }
    }
}

TEST(Cal5, FitsWhatTheMethodAllowsOnOneBoard)
{
    struct Case {
        const char* name;
        TestJob job;
        int level;
        std::int64_t boards;
        std::int64_t unplaced;
    };
    // A 60 x 70 and a 40 x 100 part fill the board; a 50 x 30 part goes beside the first only
    // in a column of its own trimmed to 50 (a third stage).
    const TestJob three =
        TestJob().Board(1000, 1000).Parts(600, 700, 1, 1).Parts(400, 1000, 1, 1).Parts(500, 300, 1, 1);
    const Case cases[] = {
        {"two stages need a second board", three, 0, 2, 0},
        {"three stages put all on one", three, 1, 1, 0},
        {"so do four", three, 3, 1, 0},
        {"two halves fill the board without kerf", TestJob().Board(1000, 500).Parts(500, 500, 2), 3, 1, 0},
        {"the kerf needs a second board", TestJob().Board(1000, 500).Kerf(30).Parts(500, 500, 2), 3, 2, 0},
        {"the kerf fits between smaller halves", TestJob().Board(1000, 500).Kerf(30).Parts(485, 500, 2), 3, 1,
         0},
        {"the trims need a second board", TestJob().Board(1000, 500).Trim(0, 0, 10, 0).Parts(500, 500, 2), 3,
         2, 0},
        {"a part fits only turned, and may turn", TestJob().Board(1000, 500).Parts(400, 900, 1), 3, 1, 0},
        {"a part fits only turned, and may not", TestJob().Board(1000, 500).Parts(400, 900, 1, 1), 3, 0, 1},
        {"many equal pieces stack in columns", TestJob().Board(1000, 1000).Parts(100, 250, 40, 1), 1, 1, 0},
        {"one more needs a second board", TestJob().Board(1000, 1000).Parts(100, 250, 41, 1), 1, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const JobRun run = RunEveryGroup(c.job, [&] { return SearchEngine(c.level, 2); });
        ExpectValidResult(run.Ret, c.job, &run.LeftYBuzai);
        EXPECT_EQ(Boards(run.Ret), c.boards);
        std::int64_t unplaced = 0;
        for (const CAL_BUZAI& e : run.Ret.Unplaced) {
            unplaced += e.Count;
        }
        EXPECT_EQ(unplaced, c.unplaced);
    }
}

TEST(Cal5, CuttingLimitDecidesTheDirectionOfTheFirstStage)
{
    // Two rows split at different places fill the board only with the first cuts across the
    // 1000 wide board; a limit of 700 allows only cuts across its 600 height.
    struct Case {
        std::int32_t limit;
        std::int64_t boards;
    };
    for (const Case c : {Case{999999, 1}, Case{700, 2}}) {
        TestJob job = TestJob()
                          .Board(1000, 600)
                          .Parts(700, 300, 1, 1)
                          .Parts(300, 300, 1, 1)
                          .Parts(400, 300, 1, 1)
                          .Parts(600, 300, 1, 1);
        job.Set.MaxCutSize = c.limit;
        SCOPED_TRACE("limit " + std::to_string(c.limit));
        const JobRun run = RunEveryGroup(job, [] { return SearchEngine(3, 3); });
        ExpectValidResult(run.Ret, job, &run.LeftYBuzai);
        EXPECT_EQ(Boards(run.Ret), c.boards);
        for (const COutData& layout : run.Ret.Layouts) {
            EXPECT_LE(LayoutStages(layout, job), 4);
        }
    }
}

TEST(Cal5, SecondaryPartsFillOnlyWhatThePartsLeave)
{
    // A secondary part as large as the board would push the part off if it counted as much.
    TestJob job =
        TestJob().Board(1000, 1000).Parts(1000, 400, 1).Secondary(1000, 1000, 1).Secondary(1000, 500, 2);
    job.Set.UseYBuzai = 1;
    const JobRun run = RunEveryGroup(job, [] { return SearchEngine(3, 2); });
    ExpectValidResult(run.Ret, job, &run.LeftYBuzai);
    ASSERT_EQ(run.Ret.Layouts.size(), 1u);
    EXPECT_EQ(PlacedPieces(run.Ret, 0), 1);
    EXPECT_EQ(PlacedPieces(run.Ret, 1), 1);  // one 1000 x 500 beside the part
}

TEST(Cal5, BoardsOfHigherPriorityAndLowerPriceComeFirst)
{
    struct Case {
        const char* name;
        TestJob job;
        std::int32_t board;  // board number of the first layout
    };
    const Case cases[] = {
        {"the preferred board",
         TestJob().Board(1000, 1000, 9999, 0, 100).Board(1000, 1000, 9999, 2, 100).Parts(500, 500, 3), 1},
        {"the cheaper board",
         TestJob().Board(1000, 1000, 9999, 0, 500).Board(1000, 1000, 9999, 0, 100).Parts(500, 500, 3), 1},
        {"the stock runs out",
         TestJob().Board(1000, 1000, 1, 0, 100).Board(1000, 1000, 9999, 0, 500).Parts(1000, 1000, 3), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const JobRun run = RunEveryGroup(c.job, [] { return SearchEngine(3, 1); });
        ExpectValidResult(run.Ret, c.job, &run.LeftYBuzai);
        ASSERT_FALSE(run.Ret.Layouts.empty());
        EXPECT_EQ(run.Ret.Layouts[0].BoardNo, c.board);
    }
}

// Pieces that fit one dear board or two cheap ones for less: the improvement passes would join
// two cheap boards onto the dear one. By price the two cheap boards win, by area the dear one.
TEST(Cal5, TwoCheapBoardsBeatOneDearBoardThatHoldsTheSame)
{
    struct Case {
        int noRate;
        std::int64_t cheapBoards, dearBoards;
    };
    const Case cases[] = {{0, 2, 0}, {1, 0, 1}};
    for (const Case& c : cases) {
        TestJob job = TestJob()
                          .Board(30000, 15000, 9999, 0, 3500)
                          .Board(36000, 18000, 9999, 0, 15000)
                          .Kerf(40)
                          .Parts(4870, 2430, 6)
                          .Parts(6460, 5760, 11);
        job.Set.Use2ko1 = 1;
        job.Set.NoRateFlg = c.noRate;
        for (int effort : {3, 5}) {
            SCOPED_TRACE(testing::Message() << "NoRate " << c.noRate << ", effort " << effort);
            auto engine = SearchEngine(3, effort);
            const CRetData ret = RunEngine(*engine, job);
            ExpectValidResult(ret, job);
            std::int64_t used[2] = {0, 0};
            for (const COutData& layout : ret.Layouts) {
                used[layout.BoardNo] += layout.Repeat;
            }
            EXPECT_TRUE(ret.Unplaced.empty());
            EXPECT_EQ(used[0], c.cheapBoards);
            EXPECT_EQ(used[1], c.dearBoards);
        }
    }
}

TEST(Cal5, NeedsNoMoreBoardsThanTheStripEngineOnGeneratedJobs)
{
    // Not a law, but on these small jobs a deeper search that loses to a greedy strip fill is broken.
    std::int64_t search = 0, strips = 0;
    for (std::uint32_t seed = 1; seed <= 15; ++seed) {
        TestJob job = GenerateJob(seed);
        job.Set.NoRateFlg = 1;
        const JobRun a = RunEveryGroup(job, [] { return SearchEngine(3, 2); });
        const JobRun b = RunEveryGroup(job, [] {
            auto engine = std::make_unique<CCal2>();
            engine->Level = 2;
            engine->Order = 2;
            return engine;
        });
        if (a.Ret.Unplaced.size() == b.Ret.Unplaced.size()) {
            search += Boards(a.Ret);
            strips += Boards(b.Ret);
        }
    }
    EXPECT_LE(search, strips);
}

TEST(Cal5, AStopRequestEndsTheRunWithoutAResult)
{
    const TestJob job = TestJob().Board(1000, 1000).Parts(300, 200, 50);
    CCal5 engine;
    engine.Effort = 5;
    job.Prepare(engine);
    engine.StopRequest = 1;
    engine.Running = 1;
    engine.Calculate();
    EXPECT_EQ(engine.State, kStateStopped);
    EXPECT_EQ(engine.Running, 0);
}

namespace {

// A bin packing job on one board kind, from a seed: 20 to 50 parts in ones and twos, some not
// to be turned, kerf 0 or up to 4 mm.
TestJob BinPackingJob(std::uint32_t seed)
{
    Dice dice(seed);
    TestJob job = TestJob().Board(1000, 800).Kerf(dice.Between(0, 1) * dice.Between(0, 40));
    for (int i = 0, parts = dice.Between(20, 50); i < parts; ++i) {
        const std::int32_t w = dice.Between(5, 60) * 10, h = dice.Between(5, 60) * 10,
                           count = dice.Between(1, 2);
        job.Parts(w, h, count, dice.Between(0, 3) == 0 ? 1 : 0);
    }
    return job;
}

struct Repacked {
    CRetData ret;
    std::int64_t cutShort = 0;
};

Repacked SearchWithRepackBudget(const TestJob& job, std::int64_t budget)
{
    CCal5 engine;
    engine.Level = 3;
    engine.Effort = 1;
    engine.SmallJobPieces = 0;
    engine.RepackBudget = budget;
    Repacked r;
    r.ret = RunEngine(engine, job);
    r.cutShort = engine.SearchCutShort;
    return r;
}

// The same patterns, repeated as often, in the same order.
void ExpectSameLayouts(const std::vector<COutData>& layouts, const std::vector<COutData>& first)
{
    ASSERT_EQ(layouts.size(), first.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_TRUE(layouts[i].SamePattern(first[i]) && layouts[i].Repeat == first[i].Repeat)
            << "layout " << i;
    }
}

}  // namespace

// Bin packing jobs on one board kind: the emptiest boards are laid out again on one fewer, and
// what comes out must still be a whole, valid result on no more boards than the area needs + 30 %.
TEST(Cal5, RepackedBinPackingJobsStayValid)
{
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        const TestJob job = BinPackingJob(seed);
        double area = 0.0;
        for (const CBuzai& part : job.Buzai.Items) {
            area += static_cast<double>(part.Width) * part.Height * part.Count;
        }
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(job));
        const JobRun run = RunEveryGroup(job, [] { return SearchEngine(3, 1); });
        ExpectValidResult(run.Ret, job, &run.LeftYBuzai);
        EXPECT_TRUE(run.Ret.Unplaced.empty());
        EXPECT_LE(static_cast<double>(Boards(run.Ret)), std::ceil(area / 800000.0) * 1.3 + 1);
        if (testing::Test::HasFailure()) {
            return;
        }
    }
}

namespace {

// The job's whole calculation run on `threads` threads: its result, checked by the layout checker,
// and the board layouts whose search a budget ended early.
// smallJobPieces: the search's SmallJobPieces (-1: its own).
void RunOnThreads(const TestJob& job, int threads, CRetData& ret, std::int64_t& cutShort, int smallJobPieces = -1)
{
    Settings settings = job.Set;
    settings.MaxCalNum = threads;
    const EngineFactory engines = [smallJobPieces](const EngineVariant& v) {
        std::unique_ptr<CCalHaichi> engine = MakeEngine(v);
        if (auto* search = dynamic_cast<CCal5*>(engine.get()); search && smallJobPieces >= 0) {
            search->SmallJobPieces = smallJobPieces;
        }
        return engine;
    };
    CalcRun run(job.Buzai, job.YBuzai, job.Genban, settings, engines);
    RecordingPrompt prompt;
    ASSERT_EQ(run.RunToEnd(ret, prompt, nullptr), CalcRun::Outcome::Placed);
    ExpectValidResult(ret, job);
    cutShort = run.SearchCutShort();
}

}  // namespace

// The search as one more job of the run: with it the run costs no more than without, and its
// result is the same for any number of threads.
TEST(Cal5Run, JoinsTheBestOfChoiceTheSameForAnyThreadCount)
{
    TestJob job = TestJob()
                      .Board(2400, 1200, 9999, 0, 3000)
                      .Board(1820, 910, 9999, 0, 1800)
                      .Kerf(30)
                      .Parts(600, 400, 7)
                      .Parts(300, 300, 11)
                      .Parts(450, 200, 5, 1)
                      .Parts(700, 350, 4);
    job.Set.TimeDisp = 0;
    job.Set.SearchEffort = 1;
    std::int64_t price[2] = {0, 0};
    for (int search = 0; search <= 1; ++search) {
        job.Set.UseSearch = search;
        std::vector<COutData> first;
        for (int threads : {1, 2, 16}) {
            SCOPED_TRACE(testing::Message() << "search " << search << ", threads " << threads);
            CRetData ret;
            std::int64_t cutShort = 0;
            ASSERT_NO_FATAL_FAILURE(RunOnThreads(job, threads, ret, cutShort));
            if (threads == 1) {
                first = ret.Layouts;
                price[search] = ret.TotalPrice;
                continue;
            }
            ASSERT_NO_FATAL_FAILURE(ExpectSameLayouts(ret.Layouts, first));
        }
    }
    EXPECT_LE(price[1], price[0]);
}

// The search jobs of a group share one schedule: whether they run one after the other or at the
// same time, exactly one of them lays out the result a single job of the schedule gives alone.
// Also where a run is expected to pass the runs' cells, so that a job ends rather than start a
// run behind it.
TEST(Cal5Run, JobsOfAGroupShareTheirRunsAndOneLaysOutTheBest)
{
    struct Case {
        const char* name;
        TestJob job;
        int effort;
    };
    TestJob manyPieces = TestJob().Board(2440, 1220).Kerf(30);
    Dice dice(5);
    for (int i = 0; i < 24; ++i) {
        manyPieces.Parts(dice.Between(150, 900), dice.Between(100, 600), dice.Between(10, 25));
    }
    const Case cases[] = {
        {"two board kinds, small runs",
         TestJob()
             .Board(2400, 1200, 9999, 0, 3000)
             .Board(1820, 910, 9999, 0, 1800)
             .Kerf(30)
             .Parts(600, 400, 9)
             .Parts(300, 300, 11)
             .Parts(450, 200, 6, 1),
         1},
        {"one board kind, a run past the runs' cells", manyPieces, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto engine = [&] {
            auto e = SearchEngine(3, c.effort);
            e->Jobs = 2;
            return e;
        };
        auto alone = engine();
        const CRetData expected = RunEngine(*alone, c.job);
        for (bool together : {false, true}) {
            SCOPED_TRACE(together ? "at the same time" : "one after the other");
            auto first = engine(), second = engine();
            second->JoinGroupJob(*first);
            c.job.Prepare(*first);
            c.job.Prepare(*second);
            first->Running = second->Running = 1;
            if (together) {
                std::thread other([&] { second->Calculate(); });
                first->Calculate();
                other.join();
            } else {
                first->Calculate();
                second->Calculate();
            }
            const bool firstLaidOut = first->State != kStateStopped;
            EXPECT_NE(firstLaidOut, second->State != kStateStopped);
            const CRetData& ret = firstLaidOut ? first->Ret : second->Ret;
            ExpectSameLayouts(ret.Layouts, expected.Layouts);
            EXPECT_EQ(ret.TotalPrice, expected.TotalPrice);
        }
    }
}

namespace {

struct Cover {
    bool made = false;
    CRetData ret;
    std::vector<CAL_BUZAI> left;
    int state = 0;
};

// The patterns chosen together on group g of a job by the engine.
Cover CoverGroup(CCal5& engine, const TestJob& job, std::size_t g, int level, int effort)
{
    engine.Level = level;
    engine.Effort = effort;
    job.Prepare(engine, g);
    Cover c;
    std::int64_t work = 0;
    c.made = engine.CoverByPatterns(c.ret, c.left, c.state, work);
    return c;
}

// The patterns chosen together, alone, on the first group of a job.
Cover CoverAlone(const TestJob& job, int level, int effort)
{
    CCal5 engine;
    return CoverGroup(engine, job, 0, level, effort);
}

// The patterns chosen together on every group of a job; a group where they are not tried is laid
// out by a single run. `made` counts the groups they were.
JobRun CoverEveryGroup(const TestJob& job, int level, int effort, int& made)
{
    JobRun run;
    const std::vector<CCalData> groups = job.Groups(run.Ret);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        CCal5 engine;
        Cover c = CoverGroup(engine, job, g, level, effort);
        if (!c.made) {
            engine.Single = true;
            engine.Running = 1;
            engine.Calculate();
            c.ret = engine.Ret;
            c.left = engine.LeftYBuzai;
            c.state = engine.State;
        }
        made += c.made ? 1 : 0;
        run.Ret.Append(c.ret);
        run.LeftYBuzai.insert(run.LeftYBuzai.end(), c.left.begin(), c.left.end());
        run.States.push_back(c.state);
    }
    return run;
}

}  // namespace

TEST(Cal5Cover, FindsTheCheapestSetOfPatterns)
{
    struct Case {
        const char* name;
        TestJob job;
        std::int64_t boards;
        std::int64_t price;
        std::vector<std::int64_t> perBoard;  // boards cut of board 0, 1, ...
    };
    const Case cases[] = {
        {"strips that fill boards only in pairs and threes",
         TestJob().Board(1000, 100, 9999, 0, 10).Parts(400, 100, 9).Parts(300, 100, 6).Parts(600, 100, 6),
         9,
         90,
         {9}},
        {"two sizes, each for its own pair",
         TestJob()
             .Board(1000, 100, 9999, 0, 100)
             .Board(1200, 100, 9999, 0, 110)
             .Parts(600, 100, 4)
             .Parts(500, 100, 4),
         4,
         420,
         {2, 2}},
        {"the cheap board runs out of stock",
         TestJob().Board(1000, 100, 1, 0, 100).Board(1000, 100, 9999, 0, 150).Parts(500, 100, 4),
         2,
         250,
         {1, 1}},
        {"the kerf leaves one piece a board",
         TestJob().Board(1000, 100, 9999, 0, 10).Kerf(30).Parts(490, 100, 4),
         4,
         40,
         {4}},
        {"the kerf fits between smaller pieces",
         TestJob().Board(1000, 100, 9999, 0, 10).Kerf(30).Parts(485, 100, 4),
         2,
         20,
         {2}},
        {"a part too long for the preferred board goes on the other",
         TestJob()
             .Board(500, 100, 9999, 2, 10)
             .Board(1000, 100, 9999, 0, 10)
             .Parts(400, 100, 4)
             .Parts(800, 100, 2),
         6,
         60,
         {4, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Cover cover = CoverAlone(c.job, 3, 2);
        ASSERT_TRUE(cover.made);
        ExpectValidResult(cover.ret, c.job, &cover.left);
        EXPECT_EQ(cover.state, kStateAllPlaced);
        EXPECT_EQ(Boards(cover.ret), c.boards);
        EXPECT_EQ(cover.ret.TotalPrice, c.price);
        std::vector<std::int64_t> perBoard(c.perBoard.size(), 0);
        for (const COutData& layout : cover.ret.Layouts) {
            perBoard.at(static_cast<std::size_t>(layout.BoardNo)) += layout.Repeat;
        }
        EXPECT_EQ(perBoard, c.perBoard);
    }
}

TEST(Cal5Cover, SecondaryPartsFillWhatTheChosenPatternsLeave)
{
    struct Case {
        const char* name;
        TestJob job;
        std::int64_t boards;
        std::int64_t secondary;  // pieces placed
    };
    const Case cases[] = {
        {"three of four boards", TestJob().Board(1000, 1000).Parts(600, 1000, 4).Secondary(400, 1000, 3), 4,
         3},
        {"two on every board", TestJob().Board(1000, 1000).Parts(600, 1000, 4).Secondary(400, 500, 20), 4, 8},
        {"none that fits", TestJob().Board(1000, 1000).Parts(600, 1000, 4).Secondary(500, 500, 5), 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob job = c.job;
        job.Set.UseYBuzai = 1;
        const Cover cover = CoverAlone(job, 3, 2);
        ASSERT_TRUE(cover.made);
        ExpectValidResult(cover.ret, job, &cover.left);
        EXPECT_EQ(Boards(cover.ret), c.boards);
        EXPECT_EQ(PlacedPieces(cover.ret, 0), 4);
        EXPECT_EQ(PlacedPieces(cover.ret, 1), c.secondary);
    }
}

// The run that lays out what the chosen patterns leave reports to the engine's sink: here a board
// entry without stock, which only that run reaches, makes it a calculation error.
TEST(Cal5Cover, TheRunOfWhatIsLeftPostsItsMessages)
{
    const TestJob job = TestJob().Board(1000, 100, 1, 2).Board(1000, 100, 9999, 1).Parts(500, 100, 8);
    CCal5 engine;
    engine.Effort = 2;
    job.Prepare(engine);
    ASSERT_EQ(engine.CalData.Genban[1].size(), 1u);
    engine.CalData.Genban[1][0].Count = 0;
    MessageQueue messages;
    engine.Sink = &messages;
    CRetData ret;
    std::vector<CAL_BUZAI> left;
    int state = 0;
    std::int64_t work = 0;
    EXPECT_FALSE(engine.CoverByPatterns(ret, left, state, work));
    EXPECT_EQ(messages.TakeAll(), std::vector<std::string>{"計算エラー発生"});
}

TEST(Cal5Cover, IsNotTriedWhenPartsComeInOnesAndTwos)
{
    struct Case {
        const char* name;
        TestJob job;
        bool made;
    };
    const Case cases[] = {
        {"one piece of every part", TestJob().Board(1000, 100).Parts(400, 100, 1).Parts(300, 100, 1), false},
        {"three pieces in two parts", TestJob().Board(1000, 100).Parts(400, 100, 2).Parts(300, 100, 1),
         false},
        {"two pieces of every part", TestJob().Board(1000, 100).Parts(400, 100, 2).Parts(300, 100, 2), true},
        {"no board the parts fit", TestJob().Board(100, 100).Parts(400, 100, 5), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CoverAlone(c.job, 3, 1).made, c.made);
    }
}

// Generated jobs of several board kinds with stock counts, prices, priorities, trims, kerf,
// parts that may not turn, and secondary parts: the patterns chosen together give a whole, valid
// result (no part cut more often than asked, no board more often than in stock) within the
// stages of every method, the same every time.
TEST(Cal5Cover, GeneratedJobsGiveValidLayoutsWithinTheStagesOfEveryMethod)
{
    const int allowed[4] = {2, 3, 4, 4};
    int made = 0;
    for (int level = 0; level <= 3; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        for (std::uint32_t seed = 90; seed < 130; ++seed) {
            const TestJob job = GenerateJob(seed);
            SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(job));
            const JobRun cover = CoverEveryGroup(job, level, 1, made);
            ExpectValidResult(cover.Ret, job, &cover.LeftYBuzai);
            for (int state : cover.States) {
                EXPECT_TRUE(state == kStateAllPlaced || state == kStatePartsLeft) << "state " << state;
            }
            for (const COutData& layout : cover.Ret.Layouts) {
                EXPECT_LE(LayoutStages(layout, job), allowed[level]) << "layout on board " << layout.BoardNo;
            }
            // The same again (on one method: the others take the same path).
            if (level == 3) {
                int again = 0;
                const JobRun second = CoverEveryGroup(job, level, 1, again);
                ExpectSameLayouts(second.Ret.Layouts, cover.Ret.Layouts);
            }
            if (testing::Test::HasFailure()) {
                return;
            }
        }
    }
    EXPECT_GT(made, 40);
}

// The emptiest boards are laid out again within a budget of knapsack cells. A budget smaller than
// one try ends the repack at once and leaves the runs' boards; a larger one never needs more
// boards; every result stays whole and valid. Seeds 7 and 50 save a board with the effort's own
// budget, 34 only with more; on 32, 34 and 55 the effort's own budget ends the repack early.
TEST(Cal5, TheRepackStopsAtItsBudgetWithAWholeValidResult)
{
    const std::uint32_t seeds[] = {1, 4, 7, 32, 34, 50, 55};
    const std::int64_t budgets[] = {1, 0, std::int64_t{1} << 40};  // tiny, the effort's own, ample
    int tinyEnded = 0, ownEnded = 0, ownSaved = 0, ampleSaved = 0;
    for (std::uint32_t seed : seeds) {
        const TestJob job = BinPackingJob(seed);
        Repacked r[3];
        for (std::size_t b = 0; b < std::size(budgets); ++b) {
            SCOPED_TRACE(testing::Message()
                         << "seed " << seed << ", budget " << budgets[b] << ": " << DescribeJob(job));
            r[b] = SearchWithRepackBudget(job, budgets[b]);
            ExpectValidResult(r[b].ret, job);
            EXPECT_TRUE(r[b].ret.Unplaced.empty());
        }
        // The runs are the same under every budget: what ends early beyond the ample budget's
        // count is the repack.
        tinyEnded += r[0].cutShort > r[2].cutShort ? 1 : 0;
        ownEnded += r[1].cutShort > r[2].cutShort ? 1 : 0;
        EXPECT_GE(Boards(r[0].ret), Boards(r[1].ret)) << "seed " << seed;
        EXPECT_GE(Boards(r[1].ret), Boards(r[2].ret)) << "seed " << seed;
        ownSaved += Boards(r[1].ret) < Boards(r[0].ret) ? 1 : 0;
        ampleSaved += Boards(r[2].ret) < Boards(r[1].ret) ? 1 : 0;
    }
    EXPECT_GE(tinyEnded, 6);
    EXPECT_GE(ownEnded, 2);
    EXPECT_GE(ownSaved, 2);
    EXPECT_GE(ampleSaved, 1);
}

// The budget is counted per engine: two searches at once give what each gives alone.
TEST(Cal5, TheRepackBudgetGivesTheSameResultAloneAndBesideAnotherSearch)
{
    const TestJob jobs[] = {BinPackingJob(32), BinPackingJob(55)};
    Repacked alone[2];
    for (int i = 0; i < 2; ++i) {
        alone[i] = SearchWithRepackBudget(jobs[i], 0);
    }
    Repacked together[2];
    std::thread other([&] { together[1] = SearchWithRepackBudget(jobs[1], 0); });
    together[0] = SearchWithRepackBudget(jobs[0], 0);
    other.join();
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        ExpectSameLayouts(together[i].ret.Layouts, alone[i].ret.Layouts);
        EXPECT_EQ(alone[i].cutShort, together[i].cutShort);
        EXPECT_GT(alone[i].cutShort, 0);
    }
}

namespace {

// 60 single parts of odd sizes (every strip measured in 0.1 mm cells) on a board of 3001 x 2999;
// with `kinds` 2 a second, dearer board of the same size is offered too.
TestJob SingleOddPartsJob(std::uint32_t seed, int kinds)
{
    Dice dice(seed);
    TestJob job = TestJob().Board(3001, 2999);
    for (int i = 0; i < 60; ++i) {
        job.Parts(dice.Between(101, 1499), dice.Between(101, 1499), 1);
    }
    if (kinds == 2) {
        job.Board(3001, 2999, 9999, 0, 5);
    }
    return job;
}

}  // namespace

// On one board kind the runs of a job stop at a share of the effort's cells; with two kinds they
// may use all of them. With the repack unbounded, a budget that ended the search early is the
// runs'. The cases are those of effort 1 where the share or the whole ends the runs, or neither.
TEST(Cal5, RunsOnOneBoardKindStopAtAShareOfTheEffortsCells)
{
    struct Case {
        std::uint32_t seed;
        int kinds;
        bool cutShort;
    };
    const Case cases[] = {
        {1, 1, true},  {6, 1, true}, {1, 2, false},  {6, 2, false},
        {8, 1, false}, {8, 2, true}, {12, 1, false}, {12, 2, true},
    };
    for (const Case& c : cases) {
        const TestJob job = SingleOddPartsJob(c.seed, c.kinds);
        SCOPED_TRACE(testing::Message() << "seed " << c.seed << ", kinds " << c.kinds);
        const Repacked r = SearchWithRepackBudget(job, std::int64_t{1} << 40);
        ExpectValidResult(r.ret, job);
        EXPECT_TRUE(r.ret.Unplaced.empty());
        EXPECT_EQ(r.cutShort > 0, c.cutShort);
    }
}

// A group on one board kind of few pieces (here 60) is searched at the next effort, and the
// job's effort is given back; a group of more pieces, or on two board kinds, keeps its effort.
TEST(Cal5, ASmallJobOnOneBoardKindIsSearchedAnEffortDeeper)
{
    struct Case {
        const char* name;
        int kinds;
        int smallJobPieces;
        int effortAlike;  // the effort, with no job small, that gives the same result
    };
    const Case cases[] = {
        {"one kind, few pieces", 1, 60, 2},
        {"one kind, more pieces than small", 1, 59, 1},
        {"two kinds", 2, 60, 1},
    };
    const auto search = [](const TestJob& job, int effort, int smallJobPieces) {
        CCal5 engine;
        engine.Level = 3;
        engine.Effort = effort;
        engine.SmallJobPieces = smallJobPieces;
        const CRetData ret = RunEngine(engine, job);
        EXPECT_EQ(engine.Effort, effort);
        return ret;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TestJob job = SingleOddPartsJob(6, c.kinds);
        const CRetData one = search(job, 1, 0), two = search(job, 2, 0);
        // The two efforts lay this job out differently, so the case tells them apart.
        ASSERT_FALSE(one.Layouts.size() == two.Layouts.size() &&
                     std::equal(one.Layouts.begin(), one.Layouts.end(), two.Layouts.begin(),
                                [](const COutData& a, const COutData& b) { return a.SamePattern(b); }));
        const CRetData ret = search(job, 1, c.smallJobPieces);
        ExpectValidResult(ret, job);
        ExpectSameLayouts(ret.Layouts, (c.effortAlike == 2 ? two : one).Layouts);
    }
}

// A run whose search jobs stop at their budgets gives the same result on one thread and on two.
TEST(Cal5Run, BudgetsEndTheSearchTheSameForAnyThreadCount)
{
    TestJob job = SingleOddPartsJob(1, 1);
    job.Set.TimeDisp = 0;
    job.Set.UseSearch = 1;
    job.Set.SearchEffort = 1;
    // The search and the strip and block engines only: the others add seconds, not threads.
    job.Set.UseCal3 = 0;
    job.Set.UseCal4 = 0;
    job.Set.UseMenCal = 0;
    std::vector<COutData> first;
    for (int threads : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "threads " << threads);
        CRetData ret;
        std::int64_t cutShort = 0;
        ASSERT_NO_FATAL_FAILURE(RunOnThreads(job, threads, ret, cutShort, 0));
        EXPECT_GT(cutShort, 0);
        if (threads == 1) {
            first = ret.Layouts;
            continue;
        }
        ASSERT_NO_FATAL_FAILURE(ExpectSameLayouts(ret.Layouts, first));
    }
}
