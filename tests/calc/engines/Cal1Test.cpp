#include "calc/engines/Cal1.h"

#include <gtest/gtest.h>

#include "calc/JobGenerator.h"
#include "calc/LayoutChecker.h"
#include "calc/TestJob.h"
#include "result/ResultJson.h"

namespace {

struct Variant {
    int candidateFlag;
    int areaFlag;
};
constexpr Variant kVariants[] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};

// One board of the job laid out by LayoutBoard from the engine's prepared group.
struct OneBoard {
    int placed = 0;
    COutData layout;
    BuzaiLists left;
};

OneBoard LayOutFirstBoard(CCal1& engine, const TestJob& job)
{
    job.Prepare(engine);
    OneBoard board;
    const BuzaiLists remaining = engine.CalData.Buzai;
    board.placed =
        engine.LayoutBoard(remaining, board.left, board.layout, TrimmedRect(job.Genban.Items.at(0)));
    return board;
}

std::vector<std::int32_t> Numbers(const std::vector<CAL_BUZAI>& entries)
{
    std::vector<std::int32_t> numbers;
    for (const CAL_BUZAI& e : entries) {
        numbers.push_back(e.Number);
    }
    return numbers;
}

}  // namespace

TEST(Cal1Shapes, RowsFirstAndColumnsFirst)
{
    using Shape = CCal1::BlockShape;
    struct Case {
        std::int32_t mx, my, c;
        std::vector<Shape> shapes;
    };
    const Case cases[] = {
        {3, 5, 10, {Shape{3, 3, 0}, Shape{2, 5, 0}}},  // ny = 5, nx = min(3, 10 / 5)
        {3, 5, 2, {Shape{2, 1, 0}, Shape{1, 2, 0}}},   // fewer wanted than fit either way
        {4, 2, 3, {Shape{3, 1, 0}, Shape{1, 2, 0}}},
        {3, 5, 100, {Shape{3, 5, 0}, Shape{3, 5, 0}}},
        {1, 1, 7, {Shape{1, 1, 0}}},  // one piece fits: one shape only
        {1, 4, 7, {Shape{1, 4, 0}, Shape{1, 4, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mx) + " x " + std::to_string(c.my) + ", " + std::to_string(c.c) +
                     " wanted");
        const CCal1::BlockShapes shapes = CCal1::ShapesFor(c.mx, c.my, c.c, 0);
        ASSERT_EQ(static_cast<std::size_t>(shapes.Count), c.shapes.size());
        for (int i = 0; i < shapes.Count; ++i) {
            EXPECT_EQ(shapes.Items[i], c.shapes[static_cast<std::size_t>(i)]);
        }
    }
}

// 300 x 500 window, ten 100 x 100 pieces: 3 fit along x, 5 along y.
TEST(Cal1ChooseBlock, TakesTheShapeThatHoldsAllTenPieces)
{
    CCal1 engine;
    const TestJob job = TestJob().Board(300, 500).Parts(100, 100, 10, 1);
    job.Prepare(engine);
    BuzaiLists working = engine.CalData.Buzai;
    const auto shape = engine.ChooseBlock(working, 0, 0, 300, 500);
    ASSERT_TRUE(shape);
    EXPECT_EQ(*shape, (CCal1::BlockShape{2, 5, 0}));
    EXPECT_EQ(working, engine.CalData.Buzai);  // the count is restored
}

TEST(Cal1ChooseBlock, TurnsThePartOnlyWhenItMayTurn)
{
    // 1000 x 300 window, a 300 x 1000 part: only turned does it fit.
    struct Case {
        int noTurn;
        bool fits;
    };
    for (const Case& c : {Case{0, true}, Case{1, false}}) {
        SCOPED_TRACE(c.noTurn);
        CCal1 engine;
        const TestJob job = TestJob().Board(1000, 300).Parts(300, 1000, 2, c.noTurn);
        job.Prepare(engine);
        BuzaiLists working = engine.CalData.Buzai;
        const auto shape = engine.ChooseBlock(working, 0, 0, 1000, 300);
        ASSERT_EQ(shape.has_value(), c.fits);
        if (shape) {
            EXPECT_EQ(*shape, (CCal1::BlockShape{1, 1, 1}));
        }
    }
}

// n pieces of size s fit into L when n x (s + k) <= L + k: no kerf after the last piece.
TEST(Cal1LayoutBoard, PiecesAlongALengthKeepTheKerfOnlyBetweenThem)
{
    struct Case {
        std::int32_t length, size, kerf, pieces;
    };
    const Case cases[] = {
        {910, 300, 5, 3},  {909, 300, 5, 2},  {900, 300, 0, 3},  {899, 300, 0, 2},
        {300, 300, 50, 1}, {649, 300, 50, 1}, {650, 300, 50, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("L " + std::to_string(c.length) + ", s " + std::to_string(c.size) + ", k " +
                     std::to_string(c.kerf));
        CCal1 engine;
        const TestJob job = TestJob().Board(c.length, 300).Kerf(c.kerf).Parts(c.size, 300, 10, 1);
        const OneBoard board = LayOutFirstBoard(engine, job);
        ASSERT_EQ(board.placed, 1);
        ASSERT_EQ(board.layout.Blocks.size(), 1u);
        EXPECT_EQ(board.layout.Blocks[0].Nx, c.pieces);
        EXPECT_EQ(board.layout.Blocks[0].Ny, 1);
        ExpectValidLayout(board.layout, job, false);
    }
}

// 1000 x 608, kerf 10: two 300 x 600 pieces, then one 200 x 600 in the rectangle right of them.
//   |A|A|B|..  cut x = 615 full height, y = 605 over the A block
TEST(Cal1LayoutBoard, RecordsTheCutsOfABlockWhoseRemainderHoldsPieces)
{
    CCal1 engine;
    const TestJob job = TestJob().Board(1000, 608).Kerf(10).Parts(300, 600, 2, 1).Parts(200, 600, 1, 1);
    const OneBoard board = LayOutFirstBoard(engine, job);
    ASSERT_EQ(board.placed, 1);
    const std::vector<CHaichi> blocks{CHaichi(0, 0, 0, 0, 2, 1, 0), CHaichi(1, 0, 620, 0, 1, 1, 0)};
    EXPECT_EQ(board.layout.Blocks, blocks);
    const std::vector<CUTMARK> cuts{CUTMARK{615, 0, 615, 608}, CUTMARK{0, 605, 615, 605}};
    EXPECT_EQ(board.layout.CutLines, cuts);  // the B block fills its rectangle: no cut of its own
    EXPECT_DOUBLE_EQ(board.layout.PartsArea, 2 * 300.0 * 600 + 200.0 * 600);
    EXPECT_TRUE(board.left[0].empty());
    ExpectValidLayout(board.layout, job, false);
}

TEST(Cal1LayoutBoard, NoCutLineWhenNothingIsPlacedBesideTheBlock)
{
    struct Case {
        const char* what;
        std::int32_t width, kerf;
    };
    const Case cases[] = {
        {"block fills the board", 600, 0},
        {"block fills the board, kerf", 605, 5},
        {"room right, nothing fits", 700, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CCal1 engine;
        const TestJob job = TestJob().Board(c.width, 300).Kerf(c.kerf).Parts(300, 300, 2);
        const OneBoard board = LayOutFirstBoard(engine, job);
        ASSERT_EQ(board.layout.Blocks.size(), 1u);
        EXPECT_EQ(board.layout.Blocks[0].Nx * board.layout.Blocks[0].Ny, 2);
        EXPECT_TRUE(board.layout.CutLines.empty());
    }
}

// 1000 x 2005, kerf 10: the 400 x 2000 pair fills the height (T = 2010); the strip right of it
// (180 wide) takes the 150 x 2000 part only when its full-height cut is within the limit.
TEST(Cal1LayoutBoard, OneSidedRemainderNeedsTheHeightWithinTheLimit)
{
    struct Case {
        std::int32_t limit;
        std::size_t blocks;
    };
    for (const Case& c : {Case{2000, 1}, Case{2004, 1}, Case{2005, 2}}) {
        SCOPED_TRACE(c.limit);
        CCal1 engine;
        TestJob job = TestJob().Board(1000, 2005).Kerf(10).Parts(400, 2000, 2, 1).Parts(150, 2000, 1, 1);
        job.Set.MaxCutSize = c.limit;
        const OneBoard board = LayOutFirstBoard(engine, job);
        ASSERT_EQ(board.layout.Blocks.size(), c.blocks);
        EXPECT_EQ(board.layout.Blocks[0], CHaichi(0, 0, 0, 0, 2, 1, 0));
        EXPECT_EQ(board.left[0].size(), 2 - c.blocks);
        ExpectValidLayout(board.layout, job, false);
    }
}

// 1000 x 3000: a 500 x 500 block low left, a 450 x 2000 part to place beside it. Above the block
// (type 0) it fills its first rectangle best, but with the limit 2000 the board is too tall for the
// full-height cut and the full-width cut (type 1) is taken.
TEST(Cal1LayoutBoard, RectangleOverTheLimitGetsNoFullHeightCandidate)
{
    struct Case {
        std::int32_t limit;
        CUTMARK firstCut;
    };
    for (int candidateFlag : {0, 1}) {
        for (const Case& c :
             {Case{999999, CUTMARK{500, 0, 500, 3000}}, Case{2000, CUTMARK{0, 500, 1000, 500}}}) {
            SCOPED_TRACE("limit " + std::to_string(c.limit) + ", candidate flag " +
                         std::to_string(candidateFlag));
            CCal1 engine(candidateFlag, 0);
            TestJob job = TestJob().Board(1000, 3000).Parts(450, 2000, 1, 1).Parts(500, 500, 1, 1);
            job.Set.MaxCutSize = c.limit;
            job.Prepare(engine);
            // The 500 x 500 part goes first: put it in front.
            BuzaiLists remaining;
            remaining[0] = {CAL_BUZAI{1, 1, 0}, CAL_BUZAI{0, 1, 0}};
            COutData layout;
            BuzaiLists left;
            ASSERT_EQ(engine.LayoutBoard(remaining, left, layout, CalRect{0, 0, 1000, 3000}), 1);
            ASSERT_EQ(layout.Blocks.size(), 2u);
            ASSERT_FALSE(layout.CutLines.empty());
            EXPECT_EQ(layout.CutLines[0], c.firstCut);
            ExpectValidLayout(layout, job, false);
        }
    }
}

TEST(Cal1LayoutBoard, StopRequestPlacesNothing)
{
    CCal1 engine;
    const TestJob job = TestJob().Board(1000, 1000).Parts(100, 100, 5);
    job.Prepare(engine);
    engine.StopRequest = 1;
    const BuzaiLists remaining = engine.CalData.Buzai;
    BuzaiLists left;
    COutData layout;
    EXPECT_EQ(engine.LayoutBoard(remaining, left, layout, CalRect{0, 0, 1000, 1000}), 0);
    EXPECT_EQ(left, remaining);
    EXPECT_TRUE(layout.Blocks.empty());
    EXPECT_EQ(engine.FindFirstFit(remaining[0], 0, 1000, 1000).Entry, -1);
    BuzaiLists working = remaining;
    EXPECT_FALSE(engine.ChooseBlock(working, 0, 0, 1000, 1000));
}

TEST(Cal1FindFirstFit, FirstEntryWithAPieceCappedAtItsCount)
{
    // Parts in list order (area flag 0): 0: 500 x 200 NoTurn x 3, 1: 300 x 400 x 10, 2: 100 x 100 x 2.
    CCal1 engine;
    const TestJob job =
        TestJob().Board(2000, 2000).Kerf(10).Parts(500, 200, 3, 1).Parts(300, 400, 10).Parts(100, 100, 2);
    job.Prepare(engine);
    const std::vector<CAL_BUZAI>& parts = engine.CalData.Buzai[0];
    ASSERT_EQ(Numbers(parts), (std::vector<std::int32_t>{0, 1, 2}));
    using Fit = CCal1::FitResult;
    struct Case {
        std::int32_t a, b;
        Fit fit;
    };
    const Case cases[] = {
        {1010, 200, Fit{0, 2, 0}},   // (200 + 10) / 210 x (1010 + 10) / 510
        {2000, 2000, Fit{0, 3, 0}},  // capped at the count
        {200, 500, Fit{2, 2, 0}},    // part 0 may not turn, part 1 fits neither way
        {400, 300, Fit{1, 1, 0}},    // part 1 turned
        {300, 810, Fit{1, 2, 0}},    // two of part 1 with the kerf between
        {150, 150, Fit{2, 1, 0}},   {99, 2000, Fit{-1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.a) + " x " + std::to_string(c.b));
        EXPECT_EQ(engine.FindFirstFit(parts, 0, c.a, c.b), c.fit);
    }
}

// The block choice looks for the next fit only among the entries that fit the window widened
// by the kerf: a block may end up to one kerf past the window. Any probe within that finds the
// same entry as a scan of the whole list.
TEST(Cal1FindFirstFit, EntriesThatFitTheWidenedWindowAreTheOnlyOnesAProbeFinds)
{
    TestJob job = TestJob().Board(3000, 3000).Kerf(30);
    for (int i = 0; i < 12; ++i) {
        job.Parts(100 + 97 * i % 900, 80 + 151 * i % 700, 1 + i % 3, i % 4 == 0);
    }
    CCal1 engine;
    job.Prepare(engine);
    std::vector<CAL_BUZAI> parts = engine.CalData.Buzai[0];
    parts[3].Count = 0;  // an entry the probes have used up
    const std::int32_t k = 30;
    for (const auto& [w, h] : {std::pair{400, 300}, {700, 200}, {130, 900}, {1000, 1000}, {60, 60}}) {
        std::vector<CCal1::ProbeEntry> among;
        engine.EntriesFitting(parts, 0, w + k, h + k, among);
        for (std::int32_t a = 0; a <= w + k; a += 17) {
            for (std::int32_t b = 0; b <= h + k; b += 23) {
                SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + ": " + std::to_string(a) +
                             " x " + std::to_string(b));
                ASSERT_EQ(engine.FindFirstFitAmong(among, 0, a, b), engine.FindFirstFit(parts, 0, a, b));
            }
        }
    }
}

TEST(Cal1IsBetterBlock, RanksPiecesOfThePartThenTheBlockThenTheNextFitThenTightness)
{
    using Probe = CCal1::BlockProbe;
    using Fit = CCal1::FitResult;
    const Fit block9{0, 9, 0}, block10{0, 10, 0};
    const Fit none{};
    struct Case {
        const char* what;
        Probe next, best;
        bool better;
    };
    const Case cases[] = {
        {"more of the block's part with the fit", {block9, Fit{0, 2, 0}, 50}, {block10, none, 0}, true},
        {"fewer of the block's part", {block10, none, 0}, {block9, Fit{0, 2, 0}, 50}, false},
        {"same total, larger block", {block10, Fit{1, 1, 0}, 50}, {block9, Fit{0, 1, 0}, 0}, true},
        {"same total, smaller block", {block9, Fit{0, 1, 0}, 0}, {block10, Fit{1, 1, 0}, 50}, false},
        {"a fit against none", {block9, Fit{2, 1, 1}, 50}, {block9, none, 0}, true},
        {"none against a fit", {block9, none, 0}, {block9, Fit{2, 1, 1}, 50}, false},
        {"fit in the parts list before the secondary",
         {block9, Fit{3, 1, 0}, 50},
         {block9, Fit{1, 1, 1}, 0},
         true},
        {"earlier entry", {block9, Fit{1, 1, 0}, 50}, {block9, Fit{2, 5, 0}, 0}, true},
        {"later entry", {block9, Fit{2, 5, 0}, 0}, {block9, Fit{1, 1, 0}, 50}, false},
        {"same entry, more pieces", {block9, Fit{1, 3, 0}, 50}, {block9, Fit{1, 2, 0}, 0}, true},
        {"same entry, as many, tighter", {block9, Fit{1, 2, 0}, 10}, {block9, Fit{1, 2, 0}, 20}, true},
        {"same entry, fewer, tighter", {block9, Fit{1, 1, 0}, 10}, {block9, Fit{1, 2, 0}, 20}, true},
        {"same entry, as many, looser", {block9, Fit{1, 2, 0}, 20}, {block9, Fit{1, 2, 0}, 10}, false},
        {"no fit on either, tighter", {block9, none, -5}, {block9, none, 0}, true},
        {"no fit on either, as tight", {block9, none, 0}, {block9, none, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CCal1::IsBetterBlock(c.next, c.best), c.better);
    }
}

TEST(Cal1SetCalData, OrdersPartsByLongerSideOrByArea)
{
    // 0: 100 x 500, 1: 400 x 400, 2: 500 x 100, 3: 300 x 600, 4: 200 x 200
    TestJob job = TestJob().Board(2000, 2000);
    for (auto [w, h] : {std::pair{100, 500}, {400, 400}, {500, 100}, {300, 600}, {200, 200}}) {
        job.Parts(w, h, 1);
    }
    job.Secondary(50, 10, 1).Secondary(30, 30, 1);  // longer side 50 against area 900
    struct Case {
        int areaFlag;
        std::vector<std::int32_t> parts, secondary;
    };
    // Parts 0 and 2 tie on both keys and keep their input order.
    for (const Case& c : {Case{0, {3, 0, 2, 1, 4}, {0, 1}}, Case{1, {3, 1, 0, 2, 4}, {1, 0}}}) {
        SCOPED_TRACE(c.areaFlag);
        CCal1 engine(0, c.areaFlag);
        job.Prepare(engine);
        EXPECT_EQ(engine.State, 1);
        EXPECT_EQ(Numbers(engine.CalData.Buzai[0]), c.parts);
        EXPECT_EQ(Numbers(engine.CalData.Buzai[1]), c.secondary);
        for (const CAL_BUZAI& e : engine.CalData.Buzai[1]) {
            EXPECT_EQ(e.Flag, 1);
        }
        for (const CAL_BUZAI& e : engine.CalData.Buzai[0]) {
            EXPECT_EQ(e.Flag, 0);
        }
    }
}

TEST(Cal1SetCalData, PoolsTheBoardsWhenPriorityIsLeftOut)
{
    CCalData group;
    group.Buzai[0] = {CAL_BUZAI{0, 1, 0}};
    group.Genban[0] = {CAL_GENBAN{0, 5, 0}, CAL_GENBAN{3, 1, 0}};
    group.Genban[1] = {CAL_GENBAN{1, 2, 1}};
    group.Genban[2] = {CAL_GENBAN{2, 9, 2}};
    const TestJob job = TestJob().Board(100, 100).Parts(10, 10, 1);
    for (int noUsen : {0, 1}) {
        SCOPED_TRACE(noUsen);
        CCal1 engine;
        engine.Configure(job.Set, job.Buzai, job.YBuzai, job.Genban);
        engine.NoUsenFlg = noUsen;
        engine.SetCalData(group);
        if (noUsen) {
            const std::vector<CAL_GENBAN> pool{group.Genban[0][0], group.Genban[0][1], group.Genban[1][0],
                                               group.Genban[2][0]};
            EXPECT_EQ(engine.CalData.Genban[0], pool);
            EXPECT_TRUE(engine.CalData.Genban[1].empty());
            EXPECT_TRUE(engine.CalData.Genban[2].empty());
        } else {
            EXPECT_EQ(engine.CalData.Genban, group.Genban);
        }
    }
}

TEST(Cal1CreateInstance, CarriesBothFlags)
{
    const CCal1 engine(1, 1);
    const std::unique_ptr<CCalHaichi> copy = engine.CreateInstance();
    const auto* cal1 = dynamic_cast<const CCal1*>(copy.get());
    ASSERT_NE(cal1, nullptr);
    EXPECT_EQ(cal1->CandidateFlag, 1);
    EXPECT_EQ(cal1->AreaFlag, 1);
    EXPECT_EQ(cal1->State, 0);
}

TEST(Cal1Calculate, NoTurnPartThatFitsOnlyTurnedStaysUnplaced)
{
    struct Case {
        int noTurn;
        std::int64_t placed;
    };
    for (const Case& c : {Case{0, 4}, Case{1, 0}}) {
        SCOPED_TRACE(c.noTurn);
        CCal1 engine;
        const TestJob job = TestJob().Board(1200, 300, 4).Parts(300, 1200, 4, c.noTurn);
        const CRetData ret = RunEngine(engine, job);
        ExpectValidResult(ret, job);
        EXPECT_EQ(PlacedPieces(ret), c.placed);
    }
}

TEST(Cal1Generated, EveryLayoutCanBeCut)
{
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        const TestJob job = GenerateJob(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(job));
        for (const Variant& v : kVariants) {
            SCOPED_TRACE("candidate flag " + std::to_string(v.candidateFlag) + ", area flag " +
                         std::to_string(v.areaFlag));
            const JobRun run =
                RunEveryGroup(job, [&] { return std::make_unique<CCal1>(v.candidateFlag, v.areaFlag); });
            ExpectValidResult(run.Ret, job, &run.LeftYBuzai);
            for (int state : run.States) {
                EXPECT_TRUE(state == 3 || state == 4) << "state " << state;
            }
            if (::testing::Test::HasFailure()) {
                return;
            }
        }
    }
}

// Past its budget of sub-fills a board's search keeps the ways of cutting it has filled. With
// budgets so low that most board layouts reach them, generated jobs (kerf, trims, limits, NoTurn,
// secondary parts, fewer patterns, improvement passes) still give layouts that can be cut, and
// every part is placed or left over.
TEST(Cal1FillBudget, JobsPastTheBudgetGiveValidLayouts)
{
    struct Case {
        std::int64_t budget;
        int candidateFlag;
        bool bound;
    };
    const Case cases[] = {{0, 0, true},  {0, 1, true},   {3, 1, true},
                          {3, 1, false}, {40, 0, false}, {40, 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE("budget " + std::to_string(c.budget) + ", candidate flag " +
                     std::to_string(c.candidateFlag) + (c.bound ? ", bound" : ""));
        std::int64_t ended = 0;
        for (std::uint32_t seed = 1; seed <= 60; ++seed) {
            const TestJob job = GenerateJob(seed);
            SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(job));
            const JobRun run = RunEveryGroup(job, [&] {
                auto engine = std::make_unique<CCal1>(c.candidateFlag, static_cast<int>(seed % 2));
                engine->FillBudget = c.budget;
                engine->UseBound = c.bound;
                return engine;
            });
            ExpectValidResult(run.Ret, job, &run.LeftYBuzai);
            for (int state : run.States) {
                EXPECT_TRUE(state == 3 || state == 4) << "state " << state;
            }
            ended += run.SubFillsCutShort;
            if (::testing::Test::HasFailure()) {
                return;
            }
        }
        EXPECT_GT(ended, 0) << "no search reached the budget: the case shows nothing";
    }
}

// A board of many small parts: the search over blocks and ways of cutting would compute millions
// of sub-fills. Past the budget the rest of the board costs a few fills per block, and the layout
// can still be cut.
TEST(Cal1FillBudget, ABoardOfManySmallPartsEndsSoonAfterTheBudget)
{
    TestJob job = TestJob().Board(24300, 12200).Kerf(30);
    int pieces = 0;
    for (int i = 0; i < 14; ++i) {
        job.Parts(300 + 170 * i, 200 + 90 * (i % 5), 6 + i % 4, i % 3 == 0);
        pieces += 6 + i % 4;
    }
    for (const std::int64_t budget : {std::int64_t{0}, std::int64_t{1000}, std::int64_t{20000}}) {
        SCOPED_TRACE(budget);
        CCal1 engine(1, 0);
        engine.FillBudget = budget;
        const OneBoard board = LayOutFirstBoard(engine, job);
        ASSERT_EQ(board.placed, 1);
        // Every level of the search in progress completes at most the one way of cutting it is in,
        // with at most two fills per piece beneath it (without the budget: 335,443 fills).
        EXPECT_LE(engine.Fills, budget + 2 * pieces * pieces);
        EXPECT_EQ(engine.SubFillsCutShort, 1);  // counted once per board layout
        ExpectValidLayout(board.layout, job, false);
    }
}

// Only a search that reaches the budget changes: with a budget of exactly the most sub-fills any
// board layout of a run computed, the run is the same byte for byte and no search ends; one fill
// less ends one.
TEST(Cal1FillBudget, SearchesWithinTheBudgetStayTheSame)
{
    int compared = 0;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const TestJob job = GenerateJob(seed);
        for (const Variant& v : kVariants) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", candidate flag " +
                         std::to_string(v.candidateFlag) + ", area flag " + std::to_string(v.areaFlag) +
                         ": " + DescribeJob(job));
            auto runWith = [&](std::int64_t budget) {
                return RunEveryGroup(job, [&] {
                    auto engine = std::make_unique<CCal1>(v.candidateFlag, v.areaFlag);
                    engine->FillBudget = budget;
                    return engine;
                });
            };
            const JobRun free = runWith(CCal1::kFillBudget);
            ASSERT_EQ(free.SubFillsCutShort, 0);
            if (free.MostSubFills < 2) {
                continue;
            }
            const JobRun at = runWith(free.MostSubFills);
            ASSERT_EQ(ResultToJson(at.Ret), ResultToJson(free.Ret));
            EXPECT_EQ(at.SubFillsCutShort, 0);
            const JobRun below = runWith(free.MostSubFills - 1);
            EXPECT_GE(below.SubFillsCutShort, 1);
            ExpectValidResult(below.Ret, job, &below.LeftYBuzai);
            ++compared;
        }
    }
    EXPECT_GT(compared, 40);
}

// A probe may start where a probe of a window holding its own found its fit: from there it finds
// what a scan of the whole list finds.
TEST(Cal1FindFirstFit, ProbeWithinAnotherStartsWhereThatOneFoundItsFit)
{
    TestJob job = TestJob().Board(3000, 3000).Kerf(20);
    for (int i = 0; i < 14; ++i) {
        job.Parts(60 + 131 * i % 1100, 50 + 89 * i % 800, 1 + i % 3, i % 5 == 0);
    }
    CCal1 engine;
    job.Prepare(engine);
    std::vector<CAL_BUZAI> parts = engine.CalData.Buzai[0];
    parts[2].Count = 0;
    std::vector<CCal1::ProbeEntry> among;
    engine.EntriesFitting(parts, 0, 1500, 1500, among);
    int nested = 0;
    for (std::int32_t w = 40; w <= 1500; w += 73) {
        for (std::int32_t h = 40; h <= 1500; h += 91) {
            std::size_t at = 0;
            const CCal1::FitResult outer = engine.FindFirstFitAmong(among, 0, 0, w, h, at);
            ASSERT_EQ(outer, engine.FindFirstFit(parts, 0, w, h));
            if (outer.Entry < 0) {
                continue;
            }
            ASSERT_EQ(among[at].Entry, outer.Entry);
            for (const auto& [dw, dh] : {std::pair{0, 0}, {37, 0}, {0, 53}, {211, 97}}) {
                SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + " less " + std::to_string(dw) +
                             " x " + std::to_string(dh));
                std::size_t innerAt = 0;
                ASSERT_EQ(engine.FindFirstFitAmong(among, at, 0, w - dw, h - dh, innerAt),
                          engine.FindFirstFit(parts, 0, w - dw, h - dh));
                ++nested;
            }
        }
    }
    EXPECT_GT(nested, 300);
}

namespace {

// The block choice with every probe a scan of the whole list, as it reads.
std::optional<CCal1::BlockShape> BlockByWholeScans(const CCal1& engine, BuzaiLists working, std::int32_t list,
                                                   std::int32_t entry, std::int32_t width,
                                                   std::int32_t height)
{
    std::vector<CAL_BUZAI>& entries = working[static_cast<std::size_t>(list)];
    CAL_BUZAI& e = entries[static_cast<std::size_t>(entry)];
    const CBuzai& part = engine.Part(list, e.Number);
    const std::int32_t c = e.Count, k = engine.NokoHaba;
    std::optional<CCal1::BlockShape> chosen;
    CCal1::BlockProbe best;
    for (int rotated = 0; rotated < (part.NoTurn ? 1 : 2); ++rotated) {
        const std::int32_t sx = rotated ? part.Height : part.Width;
        const std::int32_t sy = rotated ? part.Width : part.Height;
        const std::int32_t mx = (width + k) / (sx + k), my = (height + k) / (sy + k);
        if (mx < 1 || my < 1) {
            continue;
        }
        const CCal1::BlockShapes shapes = CCal1::ShapesFor(mx, my, c, rotated);
        for (int s = 0; s < shapes.Count; ++s) {
            const CCal1::BlockShape& shape = shapes.Items[s];
            const std::int32_t bx = shape.Nx * (sx + k), by = shape.Ny * (sy + k);
            const std::int32_t d = width - bx, eh = height - by;
            const std::int32_t probes[4][2] = {{d, height}, {bx, eh}, {width, eh}, {d, by}};
            e.Count = c - shape.Nx * shape.Ny;
            for (const auto& probe : probes) {
                CCal1::BlockProbe next;
                next.Block = CCal1::FitResult{entry, shape.Nx * shape.Ny, list};
                next.Fit = engine.FindFirstFit(entries, list, probe[0], probe[1]);
                next.Tightness = std::min(d, eh);
                if (!chosen || CCal1::IsBetterBlock(next, best)) {
                    best = next;
                    chosen = shape;
                }
            }
            e.Count = c;
        }
    }
    return chosen;
}

}  // namespace

// The block chosen with the probes sharing their scans is the one chosen with whole scans: for
// every entry of generated lists (kerf, NoTurn, counts, secondary parts) in windows of many sizes,
// from the list's start and from its first entry that fits the window widened by the kerf.
TEST(Cal1ChooseBlock, SameAsWithEveryProbeAScanOfTheWholeList)
{
    int chosen = 0;
    int skipped = 0;  // chosen with a start past the list's first entry
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const TestJob job = GenerateJob(seed);
        CRetData groups;
        if (job.Groups(groups).empty()) {
            continue;
        }
        CCal1 engine(1, static_cast<int>(seed % 2));
        job.Prepare(engine);
        const BuzaiLists lists = engine.CalData.Buzai;
        const CGenban& board = job.Genban.Items.front();
        for (std::int32_t list = 0; list < 2; ++list) {
            for (std::size_t entry = 0; entry < lists[static_cast<std::size_t>(list)].size(); ++entry) {
                for (int step = 1; step <= 6; ++step) {
                    const std::int32_t width = board.Width * step / 6 - 13 * step;
                    const std::int32_t height = board.Height * (7 - step) / 6;
                    const auto e = static_cast<std::int32_t>(entry);
                    const auto& entries = lists[static_cast<std::size_t>(list)];
                    std::size_t start = 0;
                    const std::int32_t k = engine.NokoHaba;
                    while (start < entries.size() &&
                           !engine.Size(list, entries[start].Number).FitsWithin(width + k, height + k)) {
                        ++start;
                    }
                    const auto shape = engine.ChooseBlock(lists, list, e, width, height);
                    SCOPED_TRACE("list " + std::to_string(list) + ", entry " + std::to_string(entry) + ", " +
                                 std::to_string(width) + " x " + std::to_string(height));
                    ASSERT_EQ(shape, BlockByWholeScans(engine, lists, list, e, width, height));
                    ASSERT_EQ(engine.ChooseBlock(lists, list, e, width, height, start), shape)
                        << "from " << start;
                    chosen += shape ? 1 : 0;
                    skipped += start > 0 && shape ? 1 : 0;
                }
            }
        }
    }
    EXPECT_GT(chosen, 300);
    EXPECT_GT(skipped, 50);
}

// A sub-fill computed past the budget is cut short: the memo must not keep it, or a later board
// layout within its budget would take it for the engine's own. A board laid out with no budget at
// all, then again with the whole budget: a secondary part too large for any rectangle makes the
// lists differ for the board memo, not for the sub-fills. The second layout is a fresh engine's.
TEST(Cal1FillBudget, FillsPastTheBudgetAreNotAnsweredFromTheMemo)
{
    TestJob job = TestJob().Board(24300, 12200).Kerf(30);
    for (int i = 0; i < 14; ++i) {
        job.Parts(300 + 170 * i, 200 + 90 * (i % 5), 6 + i % 4, i % 3 == 0);
    }
    job.Secondary(30000, 30000, 1);
    const CalRect rects[] = {{0, 0, 4000, 3000}, {0, 0, 6000, 4000}, {0, 0, 7000, 5000},
                             {0, 0, 8100, 6100}, {0, 0, 9000, 4500}, {0, 0, 12150, 6100}};
    int cutShort = 0;  // layouts the budget changed: where a wrong answer would show
    for (const int candidateFlag : {0, 1}) {
        for (const CalRect& rect : rects) {
            SCOPED_TRACE("candidate flag " + std::to_string(candidateFlag) + ", " +
                         std::to_string(rect.Width()) + " x " + std::to_string(rect.Height()));
            CCal1 engine(candidateFlag, 0);
            job.Prepare(engine);
            engine.FillBudget = 0;
            const BuzaiLists withLarge = engine.CalData.Buzai;
            OneBoard first;
            first.placed = engine.LayoutBoard(withLarge, first.left, first.layout, rect);
            ASSERT_EQ(engine.SubFillsCutShort, 1);

            engine.FillBudget = CCal1::kFillBudget;
            BuzaiLists remaining = withLarge;
            remaining[1].clear();
            OneBoard again;
            again.placed = engine.LayoutBoard(remaining, again.left, again.layout, rect);
            EXPECT_EQ(engine.SubFillsCutShort, 1);  // within the budget

            CCal1 fresh(candidateFlag, 0);
            job.Prepare(fresh);
            OneBoard own;
            own.placed = fresh.LayoutBoard(remaining, own.left, own.layout, rect);
            EXPECT_EQ(again.placed, own.placed);
            EXPECT_TRUE(again.layout.Blocks == own.layout.Blocks);
            EXPECT_TRUE(again.layout.CutLines == own.layout.CutLines);
            EXPECT_TRUE(again.left == own.left);
            cutShort += first.layout.Blocks != own.layout.Blocks;
        }
    }
    EXPECT_GT(cutShort, 0);
}
