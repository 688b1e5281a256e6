#include "calc/engines/BlockRemainder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace {

// A stand-in for the recursive layout: records the rectangles it was asked to fill, places one
// block of part 7 into those the test names, and can empty list 0 afterwards.
struct FakeFill {
    std::vector<CalRect> calls;
    std::vector<CalRect> takes;     // rectangles that receive a block
    bool emptiesPartsList = false;  // list 0 is empty after a block
    bool takesAPiece = false;       // a block takes one piece of list 0's first entry
    bool leavesAsIs = false;        // a rectangle without a block gives kLeftAsIs and junk in `out`
    double areaPerBlock = 100.0;

    FillRect Callback()
    {
        return [this](const BuzaiLists& in, BuzaiLists& out, COutData& record, const CalRect& rect) {
            calls.push_back(rect);
            if (leavesAsIs && std::find(takes.begin(), takes.end(), rect) == takes.end()) {
                out[0].assign(1, CAL_BUZAI{99, 99, 0});
                return kLeftAsIs;
            }
            out = in;
            for (const CalRect& t : takes) {
                if (t == rect) {
                    if (takesAPiece && !out[0].empty() && --out[0][0].Count < 1) {
                        out[0].erase(out[0].begin());
                    }
                    record.Blocks.emplace_back(7, 0, rect.X0, rect.Y0, 1, 1, 0);
                    record.CutLines.push_back(CUTMARK{rect.X0, rect.Y0, rect.X0, rect.Y1});
                    record.PartsArea += areaPerBlock;
                    record.TotalArea += areaPerBlock;
                    if (emptiesPartsList) {
                        out[0].clear();
                    }
                    return 1;
                }
            }
            return 0;
        };
    }
};

BuzaiLists SomeParts()
{
    BuzaiLists lists;
    lists[0] = {CAL_BUZAI{7, 3, 0}, CAL_BUZAI{8, 1, 0}};
    return lists;
}

// Rectangle 0..1000 x 0..1000 with a block whose far ends (kerf included) are R = 300, T = 600.
//   type 0: A above the block (0,600)-(290,1000), B right (300,0)-(1000,1000)
//   type 1: A right of the block (300,0)-(1000,590), B above (0,600)-(1000,1000)
const BlockCorner kCorner{CalRect{0, 0, 1000, 1000}, 300, 600, true, true};
constexpr std::int32_t kKerf = 10;

}  // namespace

TEST(CandidateRects, LieRightOfAndAboveTheBlockWithTheKerfBetween)
{
    struct Case {
        int type;
        CalRect a, b;
    };
    for (const Case& c : {Case{0, {0, 600, 290, 1000}, {300, 0, 1000, 1000}},
                          Case{1, {300, 0, 1000, 590}, {0, 600, 1000, 1000}},
                          Case{2, {300, 0, 1000, 1000}, {0, 600, 290, 1000}},
                          Case{3, {0, 600, 1000, 1000}, {300, 0, 1000, 590}}}) {
        SCOPED_TRACE(c.type);
        const CandidateRects rects = CandidateRectsOf(kCorner, kKerf, c.type);
        EXPECT_EQ(rects.A, c.a);
        EXPECT_EQ(rects.B, c.b);
    }
}

TEST(CandidateOrder, PutsTheCandidateWithTheSmallerFirstRectangleFirst)
{
    struct Case {
        const char* what;
        BlockCorner corner;
        std::int32_t kerf;
        std::array<int, 4> order;
    };
    const Case cases[] = {
        // 300 x 400 above the block against 700 x 1000 right; 600 x 700 right of it against 400 x 1000.
        {"small block low left", {{0, 0, 1000, 1000}, 300, 600, true, true}, 0, {0, 3, 2, 1}},
        // 900 x 900 above against 100 x 1000 right; 100 x 100 right of it against 900 x 1000 above.
        {"wide flat block", {{0, 0, 1000, 1000}, 900, 100, true, true}, 0, {2, 1, 0, 3}},
        // 400 x 500 = 200 x 1000: equal areas keep type 0 first.
        {"equal areas", {{0, 0, 600, 1000}, 400, 500, true, true}, 0, {0, 1, 2, 3}},
        // The kerf is taken off the block side: 290 x 400 against 700 x 1000.
        {"kerf", {{0, 0, 1000, 1000}, 300, 600, true, true}, 10, {0, 3, 2, 1}},
        // 60000 x 90000 above against 40000 x 100000 right: products beyond 32 bits.
        {"large board", {{0, 0, 100000, 100000}, 60000, 10000, true, true}, 0, {2, 1, 0, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CandidateOrder(c.corner, c.kerf), c.order);
    }
}

TEST(FillRemainder, TwoCandidatesFillFirstThenSecondRectangleOfTypesZeroAndOne)
{
    FakeFill fake;
    const RemainderAttempt chosen =
        FillRemainder(kCorner, kKerf, 0, SomeParts(), 4, fake.Callback(), ByBlockMeasures);
    const std::vector<CalRect> expected = {{0, 600, 290, 1000},
                                           {300, 0, 1000, 1000},  // type 0: A, B
                                           {300, 0, 1000, 590},
                                           {0, 600, 1000, 1000}};  // type 1: A, B
    EXPECT_EQ(fake.calls, expected);
    EXPECT_TRUE(chosen.Record.Blocks.empty());
    EXPECT_EQ(chosen.Type, 0);  // nothing placed anywhere: the first stays
    EXPECT_EQ(chosen.Record.BoardNo, 4);
    EXPECT_EQ(chosen.Left, SomeParts());
}

TEST(FillRemainder, TriesPositionsThreeAndFourOnlyAfterTheirPartnersPlacedInAAndLeftParts)
{
    // Four candidates on kCorner: positions 1 to 4 are types 0, 3, 2, 1.
    const CalRect a0{0, 600, 290, 1000}, a3{0, 600, 1000, 1000}, a2{300, 0, 1000, 1000},
        a1{300, 0, 1000, 590};
    struct Case {
        const char* what;
        std::vector<CalRect> takes;
        bool emptiesPartsList;
        bool hOk;
        bool triesType2;  // position 3
        bool triesType1;  // position 4
    };
    const Case cases[] = {
        {"A of both placed, parts left", {a0, a3}, false, true, true, true},
        {"only A of position 1 placed", {a0}, false, true, true, false},
        {"only A of position 2 placed", {a3}, false, true, false, true},
        {"nothing in A", {a2, a1}, false, true, false, false},
        {"placed but no parts left", {a0, a3}, true, true, false, false},
        {"position 1 not allowed", {a0, a3}, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFill fake;
        fake.takes = c.takes;
        fake.emptiesPartsList = c.emptiesPartsList;
        BlockCorner corner = kCorner;
        corner.HOk = c.hOk;
        FillRemainder(corner, kKerf, 1, SomeParts(), 0, fake.Callback(), ByBlockMeasures);
        // a2 is also B of type 0 and a1 B of type 3: every tried candidate asks for A, then B.
        std::vector<CalRect> firsts;
        for (std::size_t i = 0; i < fake.calls.size(); i += 2) {
            firsts.push_back(fake.calls[i]);
        }
        const auto tried = [&](const CalRect& a) { return std::count(firsts.begin(), firsts.end(), a) > 0; };
        EXPECT_EQ(tried(a0), c.hOk);
        EXPECT_TRUE(tried(a3));
        EXPECT_EQ(tried(a2), c.triesType2);
        EXPECT_EQ(tried(a1), c.triesType1);
    }
}

TEST(FillRemainder, ChoosesByPartsAreaAndRecordsTheTwoCutsOfTheChosenType)
{
    // Only the right rectangle of type 1 takes a block: type 1 wins over type 0.
    FakeFill fake;
    fake.takes = {CalRect{300, 0, 1000, 590}};
    const RemainderAttempt chosen =
        FillRemainder(kCorner, kKerf, 0, SomeParts(), 0, fake.Callback(), ByBlockMeasures);
    EXPECT_EQ(chosen.Type, 1);
    ASSERT_EQ(chosen.Record.Blocks.size(), 1u);
    // Horizontal cut above the block at full width, then the vertical cut up to it (kerf 10: k/2 = 5).
    const std::array<CUTMARK, 2> cuts{CUTMARK{0, 595, 1000, 595}, CUTMARK{295, 0, 295, 595}};
    EXPECT_EQ(chosen.Cuts, cuts);

    COutData layout;
    layout.CutLines.push_back(CUTMARK{1, 2, 3, 4});
    AddRemainder(chosen, layout);
    const std::vector<CUTMARK> lines{CUTMARK{1, 2, 3, 4}, cuts[0], cuts[1], CUTMARK{300, 0, 300, 590}};
    EXPECT_EQ(layout.CutLines, lines);
    EXPECT_EQ(layout.Blocks.size(), 1u);
    EXPECT_DOUBLE_EQ(layout.PartsArea, 100.0);
}

TEST(FillRemainder, RectangleOverTheLimitGetsNoFullHeightCut)
{
    {
        // Nothing placed anywhere: the first candidate, although not allowed, stays the best.
        FakeFill fake;
        BlockCorner corner = kCorner;
        corner.HOk = false;
        EXPECT_EQ(FillRemainder(corner, kKerf, 0, SomeParts(), 0, fake.Callback(), ByBlockMeasures).Type, 0);
    }
    // Height beyond the cutting limit: types 0 and 2 place nothing although their rectangles would
    // take a block; type 3 fills its first rectangle and wins.
    FakeFill fake;
    fake.takes = {CalRect{0, 600, 290, 1000}, CalRect{300, 0, 1000, 1000}, CalRect{0, 600, 1000, 1000}};
    BlockCorner corner = kCorner;
    corner.HOk = false;
    const RemainderAttempt chosen =
        FillRemainder(corner, kKerf, 1, SomeParts(), 0, fake.Callback(), ByBlockMeasures);
    for (const CalRect& r : fake.calls) {
        EXPECT_NE(r, (CalRect{0, 600, 290, 1000}));
        EXPECT_NE(r, (CalRect{300, 0, 1000, 1000}));
    }
    EXPECT_EQ(chosen.Type, 3);
}

TEST(FillRemainder, OneSidedRemaindersNeedTheirPermission)
{
    struct Case {
        const char* what;
        BlockCorner corner;
        std::vector<CalRect> expectedCalls;
        std::array<CUTMARK, 2> cuts;
    };
    const Case cases[] = {
        {"room right",
         {{0, 0, 1000, 606}, 300, 610, true, true},
         {{300, 0, 1000, 606}},
         {CUTMARK{295, 0, 295, 606}, CUTMARK{0, 605, 295, 605}}},
        {"room right, too tall", {{0, 0, 1000, 606}, 300, 610, true, false}, {}, {}},
        {"room above",
         {{0, 0, 306, 1000}, 310, 600, true, true},
         {{0, 600, 306, 1000}},
         {CUTMARK{0, 595, 306, 595}, CUTMARK{305, 0, 305, 595}}},
        {"room above, too wide", {{0, 0, 306, 1000}, 310, 600, false, true}, {}, {}},
        {"no room", {{0, 0, 300, 600}, 310, 610, true, true}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFill fake;
        fake.takes = c.expectedCalls;
        const RemainderAttempt chosen =
            FillRemainder(c.corner, kKerf, 1, SomeParts(), 0, fake.Callback(), ByBlockMeasures);
        EXPECT_EQ(fake.calls, c.expectedCalls);
        EXPECT_EQ(chosen.Left, SomeParts());
        COutData layout;
        AddRemainder(chosen, layout);
        if (c.expectedCalls.empty()) {
            EXPECT_TRUE(layout.CutLines.empty());
        } else {
            ASSERT_EQ(layout.CutLines.size(), 3u);
            EXPECT_EQ(layout.CutLines[0], c.cuts[0]);
            EXPECT_EQ(layout.CutLines[1], c.cuts[1]);
        }
    }
}

// A fill that leaves the lists as they were without writing them (kLeftAsIs) gives the attempt
// that copies them gives: every way of placing blocks into the rectangles of the candidates.
TEST(FillRemainder, AFillLeavingTheListsAsTheyWereChoosesAsOneCopyingThem)
{
    struct Case {
        const char* what;
        BlockCorner corner;
    };
    const Case cases[] = {
        {"room on both sides", kCorner},
        {"room right", {{0, 0, 1000, 606}, 300, 610, true, true}},
        {"room above", {{0, 0, 306, 1000}, 310, 600, true, true}},
        {"room above, too wide", {{0, 0, 306, 1000}, 310, 600, false, true}},
        {"no room", {{0, 0, 300, 600}, 310, 610, true, true}},
    };
    for (const Case& c : cases) {
        for (int candidateFlag : {0, 1}) {
            for (bool empties : {false, true}) {
                SCOPED_TRACE(std::string(c.what) + ", candidate flag " + std::to_string(candidateFlag) +
                             (empties ? ", empties list 0" : ""));
                FakeFill all;
                FillRemainder(c.corner, kKerf, candidateFlag, SomeParts(), 0, all.Callback(),
                              ByBlockMeasures);
                std::vector<CalRect> rects = all.calls;
                std::sort(rects.begin(), rects.end(), [](const CalRect& a, const CalRect& b) {
                    return std::tie(a.X0, a.Y0, a.X1, a.Y1) < std::tie(b.X0, b.Y0, b.X1, b.Y1);
                });
                rects.erase(std::unique(rects.begin(), rects.end()), rects.end());
                ASSERT_LE(rects.size(), 8u);
                for (unsigned subset = 0; subset < (1u << rects.size()); ++subset) {
                    RemainderAttempt chosen[2];
                    std::vector<CalRect> calls[2];
                    for (int asIs = 0; asIs < 2; ++asIs) {
                        FakeFill fake;
                        fake.emptiesPartsList = empties;
                        fake.takesAPiece = true;
                        fake.leavesAsIs = asIs == 1;
                        for (std::size_t i = 0; i < rects.size(); ++i) {
                            if (subset & (1u << i)) {
                                fake.takes.push_back(rects[i]);
                            }
                        }
                        chosen[asIs] = FillRemainder(c.corner, kKerf, candidateFlag, SomeParts(), 0,
                                                     fake.Callback(), ByBlockMeasures);
                        calls[asIs] = fake.calls;
                    }
                    SCOPED_TRACE(subset);
                    EXPECT_EQ(calls[1], calls[0]);
                    EXPECT_EQ(chosen[1].Type, chosen[0].Type);
                    EXPECT_EQ(chosen[1].Left, chosen[0].Left);
                    EXPECT_EQ(chosen[1].Record.Blocks, chosen[0].Record.Blocks);
                    EXPECT_EQ(chosen[1].PlacedInA, chosen[0].PlacedInA);
                    EXPECT_EQ(chosen[1].PartsLeftAfterA, chosen[0].PartsLeftAfterA);
                }
            }
        }
    }
}

TEST(ByBlockMeasures, ComparesPThenpThenQThenqWithinTheTolerance)
{
    auto attempt = [](double P, double pA, double Q, double qA) {
        RemainderAttempt a;
        a.Record.PartsArea = P;
        a.Record.TotalArea = Q;
        a.PlacedInA = true;
        a.AreaA = 1000.0;
        a.PartsAreaA = pA * 1000.0;
        a.TotalAreaA = qA * 1000.0;
        return a;
    };
    struct Case {
        const char* what;
        RemainderAttempt best, next;
        bool replaces;
    };
    const Case cases[] = {
        {"larger P", attempt(100, 0.9, 200, 0.9), attempt(101, 0.1, 101, 0.1), true},
        {"smaller P", attempt(101, 0.1, 101, 0.1), attempt(100, 0.9, 200, 0.9), false},
        {"P within 1e-9, larger p", attempt(100, 0.1, 200, 0.9), attempt(100 + 5e-10, 0.2, 100, 0.1), true},
        {"P, p equal, larger Q", attempt(100, 0.5, 200, 0.9), attempt(100, 0.5, 201, 0.1), true},
        {"P, p, Q equal, larger q", attempt(100, 0.5, 200, 0.5), attempt(100, 0.5, 200, 0.6), true},
        {"P, p, Q equal, smaller q", attempt(100, 0.5, 200, 0.6), attempt(100, 0.5, 200, 0.5), false},
        {"all within 1e-9", attempt(100, 0.5, 200, 0.5), attempt(100 + 5e-10, 0.5, 200, 0.5 + 5e-10), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ByBlockMeasures(c.best, c.next), c.replaces);
    }
}

TEST(RemainderAttempt, DensitiesAreZeroWhenNothingWentIntoTheFirstRectangle)
{
    RemainderAttempt a;
    a.AreaA = 1000.0;
    a.Record.PartsArea = 500.0;  // all of it in B
    a.PartsAreaA = 0.0;
    EXPECT_DOUBLE_EQ(a.p(), 0.0);
    a.PlacedInA = true;
    a.PartsAreaA = 250.0;
    EXPECT_DOUBLE_EQ(a.p(), 0.25);
}
