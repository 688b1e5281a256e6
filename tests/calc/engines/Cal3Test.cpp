#include "calc/engines/Cal3.h"

#include <gtest/gtest.h>

#include "calc/LayoutChecker.h"
#include "calc/TestJob.h"

namespace {

// Counts what the engine does on the board it was called for: the stacks laid into that very
// rectangle and the sub-rectangles it hands to its own LayoutBoard.
class CountingCal3 : public CCal3 {
public:
    CalRect Top;
    int Depth = 0;
    std::vector<std::vector<CHaichi>> TopStacks;  // what each stack laid on Top placed
    int SubRectangles = 0;

    int LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                    const CalRect& rect) override
    {
        if (Depth == 1) {
            ++SubRectangles;
        }
        ++Depth;
        const int result = CCal3::LayoutBoard(remaining, left, layout, rect);
        --Depth;
        return result;
    }
    void LayStripStack(int list, int along, const StackPlan& plan, std::vector<CAL_BUZAI>& entries,
                       COutData& layout, const CalRect& rect) override
    {
        const auto first = static_cast<std::ptrdiff_t>(layout.Blocks.size());
        CCal3::LayStripStack(list, along, plan, entries, layout, rect);
        if (Depth == 1 && rect == Top) {
            TopStacks.emplace_back(layout.Blocks.begin() + first, layout.Blocks.end());
        }
    }
};

}  // namespace

// Strips along x, 1000 long and 100 thick, kerf 10, room for 5 across 540:
//   |400|400|..200..|  x 3 strips (7 pieces, 2 a strip)
TEST(Cal3FillStripStack, LaysAsManyStripsAsTheCountsAllow)
{
    const TestJob job = TestJob().Board(1000, 540).Kerf(10).Parts(400, 100, 7, 1);
    CCal3 engine;
    job.Prepare(engine);
    std::vector<CAL_BUZAI> out;
    COutData layout;
    const CCal3::StackExtent extent =
        engine.FillStripStack(0, 0, 1, engine.CalData.Buzai[0], out, layout, 100, CalRect{0, 0, 1000, 540});
    EXPECT_EQ(layout.Blocks, (std::vector<CHaichi>{CHaichi(0, 0, 0, 0, 2, 3, 0)}));
    EXPECT_EQ(extent.Along, 820);
    EXPECT_EQ(extent.Across, 330);
    EXPECT_DOUBLE_EQ(layout.PartsArea, 6.0 * 400 * 100);
    EXPECT_EQ(out, (std::vector<CAL_BUZAI>{{0, 1, 0}}));
}

TEST(Cal3FillStripStack, StripsAlongYStandSideBySideAlongX)
{
    // Strips along y in (100, 50)..(800, 750), 200 thick across x: a turned 400 x 200 and two
    // 200 x 150 fill one; counts 4 and 5 allow min(700 / 200, 4 / 1, 5 / 2) = 2 strips.
    const TestJob job = TestJob().Board(1000, 1000).Parts(400, 200, 4).Parts(200, 150, 5);
    CCal3 engine;
    job.Prepare(engine);
    std::vector<CAL_BUZAI> out;
    COutData layout;
    const CCal3::StackExtent extent =
        engine.FillStripStack(0, 1, 0, engine.CalData.Buzai[0], out, layout, 200, CalRect{100, 50, 800, 750});
    EXPECT_EQ(layout.Blocks,
              (std::vector<CHaichi>{CHaichi(0, 0, 100, 50, 2, 1, 1), CHaichi(1, 0, 100, 450, 2, 2, 0)}));
    EXPECT_EQ(extent.Along, 750);
    EXPECT_EQ(extent.Across, 500);
    EXPECT_EQ(out, (std::vector<CAL_BUZAI>{{0, 2, 0}, {1, 1, 0}}));
}

TEST(Cal3FillStripStack, SameUseCountsThePiecesOfEveryEntry)
{
    // Items {length, entry, pieces, rotated, source}; a stack takes pieces x strips of each.
    using Items = std::vector<CAL2_LENBUZAI>;
    struct Case {
        Items a;
        std::int32_t aStrips;
        Items b;
        std::int32_t bStrips;
        bool same;
    };
    const CAL2_LENBUZAI e0x1{300, 0, 1, 0, 0}, e0x2{300, 0, 2, 0, 0}, e1x1{200, 1, 1, 0, 0},
        e1x2{200, 1, 2, 0, 1};
    for (const Case& c : {
             Case{{e0x1}, 3, {e0x1}, 3, true},
             Case{{e0x1}, 2, {e0x2}, 1, true},  // one piece in two strips, two in one
             Case{{e0x1}, 2, {e0x1}, 1, false}, Case{{e0x1}, 1, {e1x1}, 1, false},
             Case{{e0x1, e1x1}, 2, {e1x1, e0x1}, 2, true},  // another order along the strip
             Case{{e0x2, e1x2}, 1, {e0x1, e1x1}, 2, true}, Case{{e0x1, e1x1}, 2, {e0x1, e1x2}, 1, false},
             Case{{e0x1, e1x1}, 1, {e0x1}, 1, false}, Case{{e0x1}, 1, {e0x1, e1x1}, 1, false},
             Case{{e0x1, e0x1}, 1, {e0x2}, 1, true},  // one entry in two items
         }) {
        EXPECT_EQ(CCal3::SameUse(c.a, c.aStrips, c.b, c.bStrips), c.same)
            << c.a.size() << " items x " << c.aStrips << " against " << c.b.size() << " x " << c.bStrips;
    }
}

TEST(Cal3LayoutBoard, EvaluatesEveryOrientationAndSkipsARepeatedStack)
{
    // 1000 x 1000, no kerf. A stack of one piece is the same along x and along y, so the second is
    // not laid; four pieces of 300 give 3 + 1 along x and along y, two different stacks. A square
    // part that may turn gives the same stacks in its turned orientation, and they are laid and
    // evaluated again. Every stack laid hands two sub-rectangles to each of its two cutting
    // candidates.
    struct Case {
        std::int32_t width, height, count;
        int noTurn;
        std::size_t stacks;
        int subRectangles;
    };
    for (const Case& c : {Case{300, 300, 1, 0, 2, 8}, Case{300, 300, 4, 0, 4, 16}, Case{300, 200, 1, 1, 1, 4},
                          Case{300, 200, 2, 1, 2, 8}}) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " count " << c.count);
        const TestJob job = TestJob().Board(1000, 1000).Parts(c.width, c.height, c.count, c.noTurn);
        CountingCal3 engine;
        engine.UseSideIndex = false;  // it passes over the rectangles no part fits without a call
        job.Prepare(engine);
        engine.Top = CalRect{0, 0, 1000, 1000};
        BuzaiLists left;
        COutData layout;
        ASSERT_EQ(engine.LayoutBoard(engine.CalData.Buzai, left, layout, engine.Top), 1);
        ASSERT_EQ(engine.TopStacks.size(), c.stacks);
        EXPECT_EQ(engine.SubRectangles, c.subRectangles);
        if (c.noTurn == 0) {  // the turned square lies exactly as the one not turned
            const std::size_t half = c.stacks / 2;
            for (std::size_t i = 0; i < half; ++i) {
                EXPECT_EQ(engine.TopStacks[i], engine.TopStacks[i + half]);
            }
        }
        EXPECT_TRUE(left[0].empty());
    }
}

TEST(Cal3LayoutBoard, StackStaysWithinTheCuttingLimit)
{
    // 2000 x 1000, parts 400 x 100 (20, may not turn), no kerf. Strips along x: 5 a strip and 4
    // strips without a limit; with the limit 1500 only 3 a strip fit into the window, so 6 strips.
    struct Case {
        std::int32_t limit;
        CHaichi first;
    };
    for (const Case& c :
         {Case{999999, CHaichi(0, 0, 0, 0, 5, 4, 0)}, Case{1500, CHaichi(0, 0, 0, 0, 3, 6, 0)}}) {
        SCOPED_TRACE(c.limit);
        const TestJob job = TestJob().Board(2000, 1000).Parts(400, 100, 20, 1);
        CCal3 engine;
        job.Prepare(engine);
        engine.MaxCutSize = c.limit;
        BuzaiLists left;
        COutData layout;
        ASSERT_EQ(engine.LayoutBoard(engine.CalData.Buzai, left, layout, CalRect{0, 0, 2000, 1000}), 1);
        ASSERT_FALSE(layout.Blocks.empty());
        EXPECT_EQ(layout.Blocks[0], c.first);
        EXPECT_TRUE(left[0].empty());
        for (const CUTMARK& cut : layout.CutLines) {
            EXPECT_LE(std::abs(cut.X1 - cut.X0), c.limit);
        }
    }
}

TEST(Cal3LayoutBoard, StopRequestLeavesTheListsAsTheyWere)
{
    const TestJob job = TestJob().Board(1000, 1000).Parts(300, 300, 4);
    CCal3 engine;
    job.Prepare(engine);
    engine.StopRequest = 1;
    BuzaiLists left;
    COutData layout;
    EXPECT_EQ(engine.LayoutBoard(engine.CalData.Buzai, left, layout, CalRect{0, 0, 1000, 1000}), 0);
    EXPECT_EQ(left, engine.CalData.Buzai);
    EXPECT_TRUE(layout.Blocks.empty());
}

// Where no part fits, the board's layout is no layout and its lists come back as they were; a
// sub-rectangle of it (the side index off, so that every one reaches the search) is "left as it
// is", its lists not written, and the remainder fill takes what it was given.
TEST(Cal3LayoutBoard, ARectangleNoPartFitsLeavesItsLists)
{
    class Recording : public CCal3 {
    public:
        int Depth = 0;
        int SubFills = 0, LeftAsIs = 0, Written = 0;
        int LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                        const CalRect& rect) override
        {
            const BuzaiLists before = left;
            ++Depth;
            const int result = CCal3::LayoutBoard(remaining, left, layout, rect);
            --Depth;
            if (Depth > 0) {
                ++SubFills;
                LeftAsIs += result == kLeftAsIs ? 1 : 0;
                Written += result == kLeftAsIs && left != before ? 1 : 0;
            }
            return result;
        }
    };
    struct Case {
        const char* what;
        std::int32_t board;
        std::int32_t part, count;
        std::int32_t small;  // a square part of one piece besides, 0 none
        int result;          // of the board
        int subFills;        // the sub-rectangles filled
        int leftAsIs;        // of them, those nothing fits
        std::int32_t piecesLeft;
    };
    const Case cases[] = {
        {"the board too small", 200, 300, 2, 0, 0, 0, 0, 2},
        // Two stacks (as it is and turned: the same pieces, the stack along y the same again),
        // two cutting candidates each of two sub-rectangles 390 wide.
        {"one piece, nothing beside it", 1000, 600, 1, 0, 1, 8, 8, 0},
        {"two pieces, the second fits nowhere", 1000, 600, 2, 0, 1, 8, 8, 1},
        {"a small piece beside the stack", 1000, 600, 1, 300, 1, 40, 36, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestJob job = TestJob().Board(c.board, c.board).Kerf(10).Parts(c.part, c.part, c.count);
        if (c.small > 0) {
            job.Parts(c.small, c.small, 1);
        }
        Recording engine;
        engine.UseSideIndex = false;
        job.Prepare(engine);
        BuzaiLists left;
        COutData layout;
        EXPECT_EQ(engine.LayoutBoard(engine.CalData.Buzai, left, layout, CalRect{0, 0, c.board, c.board}),
                  c.result);
        EXPECT_EQ(engine.SubFills, c.subFills);
        EXPECT_EQ(engine.LeftAsIs, c.leftAsIs);
        EXPECT_EQ(engine.Written, 0);
        std::int32_t piecesLeft = 0;
        for (const CAL_BUZAI& e : left[0]) {
            piecesLeft += e.Count;
        }
        EXPECT_EQ(piecesLeft, c.piecesLeft);
        if (c.result == 0) {
            EXPECT_EQ(left, engine.CalData.Buzai);
            EXPECT_TRUE(layout.Blocks.empty());
        } else {
            ExpectValidLayout(layout, job, false);
        }
    }
}

TEST(Cal3Calculate, PlacesMixedStripsOnOneBoard)
{
    // 1000 x 600, kerf 5: strips 200 thick along x hold a 500 x 200 and two turned 200 x 240.
    const TestJob job = TestJob().Board(1000, 600).Kerf(5).Parts(500, 200, 2).Parts(200, 240, 4);
    for (int second : {0, 1}) {
        SCOPED_TRACE(second);
        CCal3 engine;
        engine.Order = 2;
        engine.Level = 2;
        engine.SecondFlag = second;
        const CRetData result = RunEngine(engine, job);
        ExpectValidResult(result, job);
        EXPECT_EQ(PlacedPieces(result), 6);
        ASSERT_EQ(result.Layouts.size(), 1u);
        ASSERT_FALSE(result.Layouts[0].Blocks.empty());
        EXPECT_EQ(result.Layouts[0].Blocks[0], CHaichi(0, 0, 0, 0, 1, 2, 0));
    }
}

// Many small parts on a large board: the search over stacks would run for hours. Past the budget
// the rest of the board is filled with strips, and the layout can still be cut.
TEST(Cal3LayoutBoard, ABoardOfManySmallPartsStaysWithinTheFillBudget)
{
    TestJob job = TestJob().Board(24300, 12200).Kerf(30);
    for (int i = 0; i < 14; ++i) {
        job.Parts(300 + 170 * i, 200 + 90 * (i % 5), 6 + i % 4, i % 3 == 0);
    }
    CCal3 engine;
    engine.Order = 2;
    engine.Level = 2;
    engine.SecondFlag = 1;
    job.Prepare(engine);
    BuzaiLists left;
    COutData layout;
    ASSERT_EQ(engine.LayoutBoard(engine.CalData.Buzai, left, layout, CalRect{0, 0, 24300, 12200}), 1);
    EXPECT_GT(engine.Fills, CCal3::kFillBudget);
    EXPECT_EQ(engine.SearchCutShort, 1);  // counted once per board layout
    ExpectValidLayout(layout, job, false);
    EXPECT_TRUE(left[0].empty());  // the board holds every piece
}
