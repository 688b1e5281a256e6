#include "calc/engines/Cal4.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "base/ExchangeSort.h"
#include "calc/JobGenerator.h"
#include "calc/LayoutChecker.h"
#include "calc/TestJob.h"
#include "calc/engines/LengthFillMemo.h"
#include "result/ResultJson.h"

namespace {

struct Call {
    int depth, mode, d;
    CalRect rect;
    friend bool operator==(const Call&, const Call&) = default;
};

std::ostream& operator<<(std::ostream& os, const Call& c)
{
    return os << "{depth " << c.depth << " mode " << c.mode << " d " << c.d << " (" << c.rect.X0 << ","
              << c.rect.Y0 << ")-(" << c.rect.X1 << "," << c.rect.Y1 << ")}";
}

// Records the calls of the row engine's steps and then does what CCal4 does.
class SpyCal4 : public CCal4 {
public:
    std::vector<Call> RowFirst, Strips, Columns;

    int LayoutRowFirst(int depth, int mode, int d, const BuzaiLists& in, BuzaiLists& out, COutData& layout,
                       const CalRect& rect) override
    {
        RowFirst.push_back(Call{depth, mode, d, rect});
        return CCal4::LayoutRowFirst(depth, mode, d, in, out, layout, rect);
    }
    int LayoutStrips(int depth, int mode, int d, const BuzaiLists& in, BuzaiLists& out, COutData& layout,
                     const CalRect& rect) override
    {
        Strips.push_back(Call{depth, mode, d, rect});
        return CCal4::LayoutStrips(depth, mode, d, in, out, layout, rect);
    }
    int FillColumn(int depth, int mode, int direction, const BuzaiLists& in, BuzaiLists& out,
                   COutData& layout, const CalRect& column) override
    {
        Columns.push_back(Call{depth, mode, direction, column});
        return CCal4::FillColumn(depth, mode, direction, in, out, layout, column);
    }
    // The calls LayoutRowFirst made itself: the columns and the rest are laid at depth 0.
    std::vector<Call> TopStrips() const
    {
        std::vector<Call> top;
        for (const Call& c : Strips) {
            if (c.depth == 0) {
                top.push_back(c);
            }
        }
        return top;
    }
};

void Prepare(CCal4& engine, const TestJob& job, int order, int level, int secondFlag = 0)
{
    engine.Order = order;
    engine.Level = level;
    engine.SecondFlag = secondFlag;
    job.Prepare(engine);
}

CalRect Rect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1)
{
    return CalRect{x0, y0, x1, y1};
}

// {length, pieces} of the chosen items.
std::vector<std::pair<std::int32_t, std::int32_t>> Taken(const std::vector<CAL4_LENBUZAI>& chosen)
{
    std::vector<std::pair<std::int32_t, std::int32_t>> taken;
    for (const CAL4_LENBUZAI& c : chosen) {
        taken.emplace_back(c.Length, c.Pieces);
    }
    return taken;
}

// A whole run of every group of the job by row engines of one variant, made by `make`.
struct RowVariant {
    int Order, Level, AreaFlag, SecondFlag;
};
JobRun RowRun(const TestJob& job, const RowVariant& v, const std::function<std::unique_ptr<CCal4>()>& make)
{
    return RunEveryGroup(job, [&] {
        std::unique_ptr<CCal4> engine = make();
        engine->Order = v.Order;
        engine->Level = v.Level;
        engine->AreaFlag = v.AreaFlag;
        engine->SecondFlag = v.SecondFlag;
        return engine;
    });
}

void ExpectSameRun(const JobRun& with, const JobRun& without)
{
    ASSERT_EQ(ResultToJson(with.Ret), ResultToJson(without.Ret));
    ASSERT_EQ(with.LeftYBuzai, without.LeftYBuzai);
    ASSERT_EQ(with.States, without.States);
}

}  // namespace

// Four parts that cannot be turned, kerf 10, along a 1000 long edge (order 0):
//   greedy 300 + 250 + 200 + 150 (one of two) = 930;
//   across 400 | 300 | 200 200  -> groups of 200, 150 and 550 in length
//   row:  |P3 150|P2 200|P0 300   |P1 250  |..70..|
TEST(Cal4PlaceFirstRow, GroupsEqualSizesAcrossShortestGroupFirst)
{
    struct Case {
        const char* name;
        int along;
        bool turnedJob;  // the parts with width and height exchanged, for a row along y
    };
    for (const Case& c : {Case{"row along x", 0, false}, Case{"row along y", 1, true}}) {
        SCOPED_TRACE(c.name);
        TestJob job;
        job.Board(1000, 1000).Kerf(10);
        const std::int32_t sizes[4][2] = {{300, 200}, {250, 200}, {200, 400}, {150, 300}};
        for (int p = 0; p < 4; ++p) {
            job.Parts(sizes[p][c.turnedJob ? 1 : 0], sizes[p][c.turnedJob ? 0 : 1], p == 3 ? 2 : 1, 1);
        }
        CCal4 engine;
        Prepare(engine, job, 0, 0);
        const std::vector<CAL_BUZAI> in{{0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {3, 2, 0}};
        std::vector<CAL_BUZAI> out;
        COutData layout;
        ASSERT_EQ(engine.PlaceFirstRow(0, c.along, 1 - c.along, in, out, layout, Rect(0, 0, 1000, 1000)), 1);

        const std::int32_t parts[4] = {3, 2, 0, 1}, positions[4] = {0, 160, 370, 680};
        ASSERT_EQ(layout.Blocks.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i) {
            const CHaichi expected = c.along == 0 ? CHaichi(parts[i], 0, positions[i], 0, 1, 1, 0)
                                                  : CHaichi(parts[i], 0, 0, positions[i], 1, 1, 0);
            EXPECT_EQ(layout.Blocks[i], expected) << "item " << i;
        }
        EXPECT_EQ(out, (std::vector<CAL_BUZAI>{{3, 1, 0}}));
        EXPECT_DOUBLE_EQ(layout.PartsArea, 235000.0);
        EXPECT_TRUE(layout.CutLines.empty());
        ExpectValidLayout(layout, job, false);
    }
}

TEST(Cal4PlaceFirstRow, EqualGroupLengthsKeepTheLargerSizeAcrossFirst)
{
    // Two groups of 200 in length: across 100 and across 300; the sort puts 300 first.
    const TestJob job = TestJob().Board(1000, 1000).Parts(200, 100, 1, 1).Parts(200, 300, 1, 1);
    CCal4 engine;
    Prepare(engine, job, 0, 0);
    std::vector<CAL_BUZAI> out;
    COutData layout;
    ASSERT_EQ(engine.PlaceFirstRow(0, 0, 1, {{0, 1, 0}, {1, 1, 0}}, out, layout, Rect(0, 0, 1000, 1000)), 1);
    ASSERT_EQ(layout.Blocks.size(), 2u);
    EXPECT_EQ(layout.Blocks[0], CHaichi(1, 0, 0, 0, 1, 1, 0));
    EXPECT_EQ(layout.Blocks[1], CHaichi(0, 0, 200, 0, 1, 1, 0));
    EXPECT_TRUE(out.empty());
}

TEST(Cal4PlaceFirstRow, PartsThatFitOnlyTurnedStandTurnedAndNothingFittingPlacesNothing)
{
    // 600 x 200 fits the 400 wide rectangle only turned: along x it is 200 long and 600 across.
    const TestJob job = TestJob().Board(400, 1000).Parts(600, 200, 3).Parts(500, 500, 1);
    CCal4 engine;
    Prepare(engine, job, 0, 0);
    const std::vector<CAL_BUZAI> in{{0, 3, 0}};
    std::vector<CAL_BUZAI> out;
    COutData layout;
    ASSERT_EQ(engine.PlaceFirstRow(0, 0, 1, in, out, layout, Rect(0, 0, 400, 1000)), 1);
    ASSERT_EQ(layout.Blocks.size(), 1u);
    EXPECT_EQ(layout.Blocks[0], CHaichi(0, 0, 0, 0, 2, 1, 1));
    EXPECT_EQ(out, (std::vector<CAL_BUZAI>{{0, 1, 0}}));

    const std::vector<CAL_BUZAI> tooLarge{{1, 1, 0}};
    COutData empty;
    EXPECT_EQ(engine.PlaceFirstRow(0, 0, 1, tooLarge, out, empty, Rect(0, 0, 400, 1000)), 0);
    EXPECT_EQ(out, tooLarge);
    EXPECT_TRUE(empty.Blocks.empty());
}

// Length 1000, no kerf, order 1. Greedy: 600 (across 100) + 350 (across 300) = 950. The first item
// has one piece, so only the 350 may go back: the refill 300 (across 400) is shorter (900 used)
// but has more area (120000 against 105000).
TEST(Cal4FillRowLength, SecondFlagOneTakesLessLengthForMoreArea)
{
    struct Case {
        int secondFlag;
        std::vector<std::pair<std::int32_t, std::int32_t>> taken;
        std::int32_t remaining, used;
    };
    for (const Case& c : {Case{0, {{600, 1}, {350, 1}}, 50, 950}, Case{1, {{600, 1}, {300, 1}}, 100, 900}}) {
        SCOPED_TRACE(testing::Message() << "second flag " << c.secondFlag);
        CCal4 engine;
        engine.Order = 1;
        engine.SecondFlag = c.secondFlag;
        engine.LenBuzaiSub = {{0, 0, 1}, {1, 1, 1}, {2, 2, 1}};
        const std::vector<CAL4_LENBUZAI> candidates{
            {600, 100, 0, 0, 0, 1}, {350, 300, 0, 1, 0, 1}, {300, 400, 0, 2, 0, 1}};
        std::vector<CAL4_LENBUZAI> chosen;
        std::int32_t remaining = -1, used = -1;
        engine.FillRowLength(1000, candidates, chosen, remaining, used);
        EXPECT_EQ(Taken(chosen), c.taken);
        EXPECT_EQ(remaining, c.remaining);
        EXPECT_EQ(used, c.used);
    }
}

// Length 100, no kerf, pieces 43 (two), 32 (one), 17 (three). Greedy 43 + 43 = 86; one pass gives
// a 43 back for 32 + 17 (92); a second gives the 32 back for 17 + 17 (94); then nothing gains.
TEST(Cal4FillRowLength, OrderSetsTheExchangePasses)
{
    struct Case {
        int order;
        std::vector<std::pair<std::int32_t, std::int32_t>> taken;
        std::int32_t remaining;
    };
    for (const Case& c :
         {Case{0, {{43, 2}}, 14}, Case{1, {{43, 1}, {32, 1}, {17, 1}}, 8}, Case{2, {{43, 1}, {17, 3}}, 6}}) {
        SCOPED_TRACE(testing::Message() << "order " << c.order);
        CCal4 engine;
        engine.Order = c.order;
        engine.LenBuzaiSub = {{0, 0, 2}, {1, 1, 1}, {2, 2, 3}};
        std::vector<CAL4_LENBUZAI> chosen;
        std::int32_t remaining = 0, used = 0;
        engine.FillRowLength(100, {{43, 100, 0, 0, 0, 1}, {32, 100, 0, 1, 0, 1}, {17, 100, 0, 2, 0, 1}},
                             chosen, remaining, used);
        EXPECT_EQ(Taken(chosen), c.taken);
        EXPECT_EQ(remaining, c.remaining);
        EXPECT_EQ(used, 100 - c.remaining);
    }
}

// Row candidates come sorted by falling length, which lets the fill skip the longer ones by
// bisection. A candidate at the end that is never usable but breaks the order makes it scan them
// one by one: random rows come out the same either way (lengths repeat, parts lie both ways,
// some candidates switched off, kerf, every order and both gain measures).
TEST(Cal4FillRowLength, SortedCandidatesFillAsWhenScannedOneByOne)
{
    Dice dice(11);
    int exchanged = 0;
    for (int round = 0; round < 400; ++round) {
        CCal4 engine;
        engine.Order = dice.Between(0, 2);
        engine.SecondFlag = dice.Between(0, 1);
        engine.NokoHaba = dice.Between(0, 1) * dice.Between(1, 5);
        std::vector<CAL4_LENBUZAI> candidates;
        const int parts = dice.Between(1, 30);
        for (int p = 0; p < parts; ++p) {
            engine.LenBuzaiSub.push_back({p, p, dice.Between(0, 4)});
            const std::int32_t a = dice.Between(5, 120), b = dice.Between(5, 120);
            candidates.push_back({a, b, 0, p, 0, dice.Between(0, 5) > 0 ? 1 : 0});
            if (dice.Between(0, 1) == 1) {
                candidates.push_back({b, a, 0, p, 1, 1});
            }
        }
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const CAL4_LENBUZAI& x, const CAL4_LENBUZAI& y) {
                             return x.Length > y.Length || (x.Length == y.Length && x.Across > y.Across);
                         });
        const std::int32_t length = dice.Between(20, 600);
        SCOPED_TRACE(testing::Message() << "round " << round << ", length " << length << ", order "
                                        << engine.Order << ", second " << engine.SecondFlag);
        std::vector<CAL4_LENBUZAI> chosen, chosenScanned;
        std::int32_t remaining = 0, used = 0, remainingScanned = 0, usedScanned = 0;
        engine.FillRowLength(length, candidates, chosen, remaining, used);

        engine.LenBuzaiSub.push_back({parts, parts, 0});
        candidates.push_back({1 << 30, 1, 0, parts, 0, 0});
        engine.FillRowLength(length, candidates, chosenScanned, remainingScanned, usedScanned);
        ASSERT_EQ(chosen, chosenScanned);
        ASSERT_EQ(remaining, remainingScanned);
        ASSERT_EQ(used, usedScanned);
        exchanged += TotalPieces(chosen) > 1 && chosen.size() > 1 ? 1 : 0;
    }
    EXPECT_GT(exchanged, 100);
}

// The exchange passes leave out the refills of a chosen item that cannot gain (too few pieces
// left, too little length left); the row comes out as with every refill made. Many pieces per part
// and long rows: refills nested several levels deep, as on the bench jobs.
TEST(Cal4FillRowLength, RefillsThatCannotGainLeftOutFillAsAll)
{
    Dice dice(23);
    std::int64_t leftOut[2] = {0, 0};  // by gain measure
    for (int round = 0; round < 2000; ++round) {
        CCal4 bounded, full;
        full.UseRefillBound = false;
        for (CCal4* engine : {&bounded, &full}) {
            engine->Order = round % 3 == 0 ? 1 : 2;
            engine->SecondFlag = round % 2;
            engine->NokoHaba = round % 4 == 0 ? 0 : (round % 4) * 3;
            engine->UseRowMemo = false;
        }
        Dice shape(static_cast<std::uint32_t>(round) + 100);
        std::vector<CAL4_LENBUZAI> candidates;
        const int parts = shape.Between(2, 25);
        for (int p = 0; p < parts; ++p) {
            const CAL4_LENBUZAI_SUB sub{p, p, shape.Between(0, 8)};
            bounded.LenBuzaiSub.push_back(sub);
            full.LenBuzaiSub.push_back(sub);
            const std::int32_t a = shape.Between(10, 400), b = shape.Between(10, 400);
            candidates.push_back({a, b, 0, p, 0, 1});
            if (shape.Chance(60) && a != b) {
                candidates.push_back({b, a, 0, p, 1, 1});
            }
        }
        ExchangeSort(candidates, [](const CAL4_LENBUZAI& x, const CAL4_LENBUZAI& y) {
            return x.Length > y.Length || (x.Length == y.Length && x.Across > y.Across);
        });
        const std::int32_t length = dice.Between(100, 3000);
        SCOPED_TRACE(testing::Message() << "round " << round << ", length " << length);
        std::vector<CAL4_LENBUZAI> chosen, chosenFull;
        std::int32_t remaining = 0, used = 0, remainingFull = 0, usedFull = 0;
        bounded.FillRowLength(length, candidates, chosen, remaining, used);
        full.FillRowLength(length, candidates, chosenFull, remainingFull, usedFull);
        ASSERT_EQ(chosen, chosenFull);
        ASSERT_EQ(remaining, remainingFull);
        ASSERT_EQ(used, usedFull);
        EXPECT_EQ(full.RefillsLeftOut(), 0);
        leftOut[round % 2] += bounded.RefillsLeftOut();
    }
    EXPECT_GT(leftOut[0], 1000);
    EXPECT_GT(leftOut[1], 300);
}

TEST(Cal4FillRowLength, BothOrientationsShareThePiecesOfTheirPart)
{
    struct Case {
        std::int32_t pieces;
        std::vector<std::pair<std::int32_t, std::int32_t>> taken;
    };
    // One part, 500 along or turned 200 along: its pieces are taken once, whichever the side.
    for (const Case& c :
         {Case{1, {{500, 1}}}, Case{2, {{500, 2}}}, Case{3, {{500, 2}}}, Case{4, {{500, 2}}}}) {
        SCOPED_TRACE(testing::Message() << c.pieces << " pieces");
        CCal4 engine;
        engine.NokoHaba = 0;
        engine.LenBuzaiSub = {{0, 0, c.pieces}};
        std::vector<CAL4_LENBUZAI> chosen;
        std::int32_t remaining = 0, used = 0;
        engine.FillRowLength(1000, {{500, 200, 0, 0, 0, 1}, {200, 500, 0, 0, 1, 1}}, chosen, remaining, used);
        EXPECT_EQ(Taken(chosen), c.taken);
    }
    // Three pieces and 1200: two lie along as 500s, the third turned fills the last 200.
    CCal4 engine;
    engine.LenBuzaiSub = {{0, 0, 3}};
    std::vector<CAL4_LENBUZAI> chosen;
    std::int32_t remaining = 0, used = 0;
    engine.FillRowLength(1200, {{500, 200, 0, 0, 0, 1}, {200, 500, 0, 0, 1, 1}}, chosen, remaining, used);
    EXPECT_EQ(Taken(chosen), (std::vector<std::pair<std::int32_t, std::int32_t>>{{500, 2}, {200, 1}}));
    EXPECT_EQ(remaining, 0);
}

TEST(Cal4FillRowLength, StopRequestChoosesNothing)
{
    CCal4 engine;
    engine.Order = 2;
    engine.StopRequest = 1;
    engine.LenBuzaiSub = {{0, 0, 5}};
    std::vector<CAL4_LENBUZAI> chosen{{1, 1, 1, 0, 0, 1}};
    std::int32_t remaining = 0, used = 7;
    engine.FillRowLength(1000, {{300, 100, 0, 0, 0, 1}}, chosen, remaining, used);
    EXPECT_TRUE(chosen.empty());
    EXPECT_EQ(remaining, 1000);
    EXPECT_EQ(used, 0);
}

// The first cuts of a row along x run over the whole height: d = 0 needs the height within the
// cutting limit, d = 1 the width (the opposite of the strip engine).
TEST(Cal4LayoutBoard, CuttingLimitPermissionsAreExchanged)
{
    struct Case {
        std::int32_t width, height, limit;
        std::vector<std::pair<int, int>> attempts;  // {d, mode}
    };
    for (const Case& c :
         {Case{1000, 2000, 999999, {{0, 0}, {0, 1}, {1, 0}, {1, 1}}},
          Case{1000, 2000, 1500, {{1, 0}, {1, 1}}}, Case{2000, 1000, 1500, {{0, 0}, {0, 1}}},
          Case{2000, 2000, 1500, {}}, Case{1500, 1500, 1500, {{0, 0}, {0, 1}, {1, 0}, {1, 1}}}}) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " limit " << c.limit);
        TestJob job;
        job.Board(c.width, c.height).Parts(300, 200, 4);
        job.Set.MaxCutSize = c.limit;
        SpyCal4 engine;
        Prepare(engine, job, 0, 0);
        const BuzaiLists remaining = engine.CalData.Buzai;
        BuzaiLists left;
        COutData layout;
        layout.BoardNo = 0;
        const int placed = engine.LayoutBoard(remaining, left, layout, Rect(0, 0, c.width, c.height));
        std::vector<std::pair<int, int>> attempts;
        for (const Call& call : engine.RowFirst) {
            attempts.emplace_back(call.d, call.mode);
        }
        EXPECT_EQ(attempts, c.attempts);
        EXPECT_EQ(placed != 0, !c.attempts.empty());
        if (c.attempts.empty()) {
            EXPECT_EQ(left, remaining);
            EXPECT_TRUE(layout.Blocks.empty());
        } else {
            ExpectValidLayout(layout, job, false);
        }
    }
}

TEST(Cal4LayoutBoard, StopRequestLeavesTheListsAsTheyWere)
{
    const TestJob job = TestJob().Board(1000, 1000).Parts(300, 200, 4);
    SpyCal4 engine;
    Prepare(engine, job, 2, 2);
    engine.StopRequest = 1;
    const BuzaiLists remaining = engine.CalData.Buzai;
    BuzaiLists left;
    COutData layout;
    EXPECT_EQ(engine.LayoutBoard(remaining, left, layout, Rect(0, 0, 1000, 1000)), 0);
    EXPECT_EQ(left, remaining);
    EXPECT_TRUE(engine.RowFirst.empty());
}

// 1000 x 600, kerf 10: three 300 x 200 in the row, two 300 x 150 and secondary 300 x 100 and
// 100 x 60 above.
//   level 0: a column above every piece, cut over the whole height after each column; a column
//   holds only pieces 300 across, so the 100 x 60 stays over
//     |B B  |S    |     |  ^ y 210..600
//     |A    |A    |A    |..|
//          305   615   925
//   level 1 and up: the rest of the first column is cut across once more and takes the 100 x 60;
//   level 3 (within the limit both ways): one column over the run of A, strips in it at depth 0.
TEST(Cal4LayoutRowFirst, RecordsRowThenColumnsWithTheirCuts)
{
    struct Case {
        int level;
        std::int32_t limit;
        std::vector<CUTMARK> cuts;
        bool crossStrip;  // the 100 x 60 is placed
    };
    const std::vector<CUTMARK> columnCuts{{305, 0, 305, 600}, {615, 0, 615, 600}, {925, 0, 925, 600}};
    for (const Case& c : {Case{0, 999999, columnCuts, false}, Case{1, 999999, columnCuts, true},
                          Case{2, 999999, columnCuts, true},
                          Case{3, 999999, {{305, 210, 305, 600}, {615, 210, 615, 600}}, true},
                          Case{3, 900, columnCuts, true}}) {
        SCOPED_TRACE(testing::Message() << "level " << c.level << " limit " << c.limit);
        TestJob job;
        job.Board(1000, 600).Kerf(10).Parts(300, 200, 3, 1).Parts(300, 150, 2, 1);
        job.Secondary(300, 100, 1, 1).Secondary(100, 60, 1, 1);
        job.Set.MaxCutSize = c.limit;
        CCal4 engine;
        Prepare(engine, job, 2, c.level);
        BuzaiLists out;
        COutData layout;
        ASSERT_NE(engine.LayoutRowFirst(0, 0, 0, engine.CalData.Buzai, out, layout, Rect(0, 0, 1000, 600)),
                  0);
        std::vector<CHaichi> blocks{CHaichi(0, 0, 0, 0, 3, 1, 0), CHaichi(1, 0, 0, 210, 1, 2, 0)};
        if (c.crossStrip) {
            blocks.push_back(CHaichi(1, 1, 0, 530, 1, 1, 0));
        }
        blocks.push_back(CHaichi(0, 1, 310, 210, 1, 1, 0));
        EXPECT_EQ(layout.Blocks, blocks);
        EXPECT_EQ(layout.CutLines, c.cuts);
        EXPECT_DOUBLE_EQ(layout.PartsArea, 270000.0);
        EXPECT_DOUBLE_EQ(layout.TotalArea, c.crossStrip ? 306000.0 : 300000.0);
        EXPECT_TRUE(out[0].empty());
        const std::vector<CAL_BUZAI> secondaryLeft =
            c.crossStrip ? std::vector<CAL_BUZAI>{} : std::vector<CAL_BUZAI>{{1, 1, 1}};
        EXPECT_EQ(out[1], secondaryLeft);
        ExpectValidLayout(layout, job, false);
    }
}

// 1000 x 1000, kerf 10; row |C 200 (across 400)|A 300 (across 200)|..rest..|.
//   without merging: a column over each piece, the rest beyond the row over the whole height;
//   level 3: column C, then A's column to the end along, the rest under it (only 200 across).
// The same job turned through x = y gives the same layout turned, with the row along y.
TEST(Cal4LayoutRowFirst, ColumnsAndTheRestBeyondTheRow)
{
    struct Case {
        int level;
        std::int32_t limit;
        std::vector<Call> columns, topStrips;
    };
    const std::vector<Call> pieceColumns{{0, 0, 1, Rect(0, 410, 200, 1000)},
                                         {0, 0, 1, Rect(210, 210, 510, 1000)}};
    const std::vector<Call> wholeRest{{0, 0, 1, Rect(520, 0, 1000, 1000)}};
    const auto turn = [](CalRect r) { return Rect(r.Y0, r.X0, r.Y1, r.X1); };
    for (const Case& c : {Case{0, 999999, pieceColumns, wholeRest}, Case{2, 999999, pieceColumns, wholeRest},
                          Case{3, 999, pieceColumns, wholeRest},
                          Case{3,
                               1000,
                               {},
                               {{0, 0, 1, Rect(0, 410, 200, 1000)},
                                {0, 0, 1, Rect(210, 210, 1000, 1000)},
                                {0, 0, 1, Rect(520, 0, 1000, 200)}}}}) {
        for (int d = 0; d < 2; ++d) {
            SCOPED_TRACE(testing::Message()
                         << "level " << c.level << " limit " << c.limit << " row along " << d);
            TestJob job;
            job.Board(1000, 1000).Kerf(10);
            if (d == 0) {
                job.Parts(300, 200, 1, 1).Parts(200, 400, 1, 1);
            } else {
                job.Parts(200, 300, 1, 1).Parts(400, 200, 1, 1);
            }
            job.Set.MaxCutSize = c.limit;
            SpyCal4 engine;
            Prepare(engine, job, 0, c.level);
            BuzaiLists out;
            COutData layout;
            ASSERT_NE(
                engine.LayoutRowFirst(0, 0, d, engine.CalData.Buzai, out, layout, Rect(0, 0, 1000, 1000)), 0);

            std::vector<Call> columns = c.columns, topStrips = c.topStrips;
            std::vector<CHaichi> row{CHaichi(1, 0, 0, 0, 1, 1, 0), CHaichi(0, 0, 210, 0, 1, 1, 0)};
            std::vector<CUTMARK> cuts{{205, 0, 205, 1000}};
            if (!c.columns.empty()) {
                cuts.push_back(CUTMARK{515, 0, 515, 1000});
            }
            if (d == 1) {
                for (auto* calls : {&columns, &topStrips}) {
                    for (Call& call : *calls) {
                        call = Call{call.depth, call.mode, 0, turn(call.rect)};
                    }
                }
                for (CHaichi& b : row) {
                    b = CHaichi(b.Number, b.List, b.Y, b.X, b.Ny, b.Nx, 0);
                }
                for (CUTMARK& cut : cuts) {
                    cut = CUTMARK{cut.Y0, cut.X0, cut.Y1, cut.X1};
                }
            }
            EXPECT_EQ(engine.Columns, columns);
            EXPECT_EQ(engine.TopStrips(), topStrips);
            EXPECT_EQ(layout.Blocks, row);
            EXPECT_EQ(layout.CutLines, cuts);
        }
    }
}

// 1000 x 1000, kerf 10; row |X 200 (across 800)|Y 500 (across 900)|..rest..|, secondary 250 x 150
// pieces fit neither column, only beyond the row.
//   level 2: the rest is 720..1000 over the whole height: six pieces.
//   level 3: Y's column reaches the end along (y 910..1000), the rest lies under it (y 0..900):
//   five pieces, the strip's cut stops at the column.
TEST(Cal4LayoutRowFirst, LevelThreeRestLiesUnderTheLastColumn)
{
    struct Case {
        int level;
        std::int32_t restPieces;
        std::vector<CUTMARK> cuts;
    };
    for (const Case& c : {Case{2, 6, {{205, 0, 205, 1000}, {715, 0, 715, 1000}, {975, 0, 975, 1000}}},
                          Case{3, 5, {{205, 0, 205, 1000}, {975, 0, 975, 900}}}}) {
        SCOPED_TRACE(testing::Message() << "level " << c.level);
        TestJob job;
        job.Board(1000, 1000).Kerf(10).Parts(500, 900, 1, 1).Parts(200, 800, 1, 1).Secondary(250, 150, 6, 1);
        job.Set.MaxCutSize = 1000;
        CCal4 engine;
        Prepare(engine, job, 0, c.level);
        BuzaiLists out;
        COutData layout;
        ASSERT_NE(engine.LayoutRowFirst(0, 0, 0, engine.CalData.Buzai, out, layout, Rect(0, 0, 1000, 1000)),
                  0);
        const std::vector<CHaichi> blocks{CHaichi(1, 0, 0, 0, 1, 1, 0), CHaichi(0, 0, 210, 0, 1, 1, 0),
                                          CHaichi(0, 1, 720, 0, 1, c.restPieces, 0)};
        EXPECT_EQ(layout.Blocks, blocks);
        EXPECT_EQ(layout.CutLines, c.cuts);
        ExpectValidLayout(layout, job, false);
    }
}

TEST(Cal4CreateInstance, CarriesOrderAndLevelOnly)
{
    CCal4 engine;
    engine.Order = 2;
    engine.Level = 3;
    engine.AreaFlag = 1;
    engine.SecondFlag = 1;
    const std::unique_ptr<CCalHaichi> made = engine.CreateInstance();
    const auto* cal4 = dynamic_cast<const CCal4*>(made.get());
    ASSERT_NE(cal4, nullptr);
    EXPECT_EQ(cal4->Order, 2);
    EXPECT_EQ(cal4->Level, 3);
    EXPECT_EQ(cal4->AreaFlag, 0);
    EXPECT_EQ(cal4->SecondFlag, 0);
    EXPECT_TRUE(cal4->UseRowMemo);
    engine.UseRowMemo = false;
    EXPECT_FALSE(dynamic_cast<const CCal4&>(*engine.CreateInstance()).UseRowMemo);
    engine.UseRefillBound = false;
    EXPECT_FALSE(dynamic_cast<const CCal4&>(*engine.CreateInstance()).UseRefillBound);
}

// The memo answers only the very inputs it stored: a change of the length, of any field of a
// candidate or of the pieces of a slot misses.
TEST(LengthFillMemo, AnswersOnlyTheSameInputs)
{
    const std::vector<CAL4_LENBUZAI> candidates{{600, 100, 0, 0, 0, 1}, {350, 300, 0, 1, 1, 1}};
    const std::vector<std::int32_t> available{2, 1};
    LengthFillMemo<CAL4_LENBUZAI> memo;
    memo.Validate(30, 2, 0);
    ASSERT_EQ(memo.Find(1000, candidates, available), nullptr);
    memo.Store(1000, candidates, available, {{600, 100, 1, 0, 0, 1}}, 370, 600);

    struct Case {
        const char* name;
        std::int32_t length;
        std::function<void(std::vector<CAL4_LENBUZAI>&, std::vector<std::int32_t>&)> change;
        bool found;
    };
    const Case cases[] = {
        {"the same", 1000, [](auto&, auto&) {}, true},
        {"another length", 999, [](auto&, auto&) {}, false},
        {"a candidate's length", 1000, [](auto& c, auto&) { c[1].Length = 340; }, false},
        {"a candidate switched off", 1000, [](auto& c, auto&) { c[0].Avail = 0; }, false},
        {"a candidate turned", 1000, [](auto& c, auto&) { c[1].Rotated = 0; }, false},
        {"a candidate more", 1000,
         [](auto& c, auto&) {
             c.push_back({100, 100, 0, 1, 0, 1});
         },
         false},
        {"a slot's pieces", 1000, [](auto&, auto& a) { a[1] = 2; }, false},
        {"a slot more", 1000, [](auto&, auto& a) { a.push_back(0); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<CAL4_LENBUZAI> asked = candidates;
        std::vector<std::int32_t> pieces = available;
        c.change(asked, pieces);
        const auto* found = memo.Find(c.length, asked, pieces);
        ASSERT_EQ(found != nullptr, c.found);
        if (found) {
            EXPECT_EQ(found->Chosen, (std::vector<CAL4_LENBUZAI>{{600, 100, 1, 0, 0, 1}}));
            EXPECT_EQ(found->Remaining, 370);
            EXPECT_EQ(found->Used, 600);
        }
    }

    // Another kerf, order or gain measure forgets every fill; the same keeps them.
    memo.Validate(30, 2, 0);
    EXPECT_NE(memo.Find(1000, candidates, available), nullptr);
    memo.Validate(30, 2, 1);
    EXPECT_EQ(memo.Find(1000, candidates, available), nullptr);
}

// Past its size the memo forgets what it held and keeps storing.
TEST(LengthFillMemo, ForgetsWhenFull)
{
    LengthFillMemo<CAL4_LENBUZAI> memo;
    memo.Validate(0, 1, 0);
    const std::vector<CAL4_LENBUZAI> candidates(1000, CAL4_LENBUZAI{100, 100, 0, 0, 0, 1});
    const std::vector<std::int32_t> available{5};
    std::int32_t length = 1;
    for (;; ++length) {
        memo.Store(length, candidates, available, {}, length, 0);
        if (memo.Find(1, candidates, available) == nullptr) {
            break;
        }
        ASSERT_LT(length, 10000) << "never forgets";
    }
    EXPECT_GT(length, 10);
    EXPECT_EQ(memo.Size(), 1u);
    const auto* last = memo.Find(length, candidates, available);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->Remaining, length);
}

// Whole runs of generated jobs are the same byte for byte with and without the row memo, for
// every level, order and gain measure; the memo answers rows on all but the smallest.
// Whole runs with and without leaving out the refills that cannot gain, byte for byte.
TEST(Cal4RefillBound, RunsComeOutTheSame)
{
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
        const TestJob job = GenerateJob(seed + 100);
        const int level = static_cast<int>(seed % 4), order = seed % 3 == 0 ? 1 : 2;
        const int areaFlag = static_cast<int>(seed / 2 % 2), secondFlag = static_cast<int>(seed % 2);
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", level " << level << ", order " << order
                                        << ", second flag " << secondFlag << ": " << DescribeJob(job));
        const RowVariant variant{order, level, areaFlag, secondFlag};
        auto run = [&](bool bound) {
            return RowRun(job, variant, [bound] {
                auto engine = std::make_unique<CCal4>();
                engine->UseRefillBound = bound;
                return engine;
            });
        };
        ExpectSameRun(run(true), run(false));
    }
}

TEST(Cal4RowMemo, RunsComeOutTheSame)
{
    struct CountingCal4 : CCal4 {
        std::int64_t* Hits = nullptr;
        ~CountingCal4() override { *Hits += RowMemoHits(); }
    };
    std::int64_t hits = 0;
    int answered = 0;
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
        const TestJob job = GenerateJob(seed);
        const int level = static_cast<int>(seed % 4), order = static_cast<int>(seed / 4 % 3);
        const int areaFlag = static_cast<int>(seed % 2), secondFlag = static_cast<int>(seed / 2 % 2);
        SCOPED_TRACE(testing::Message()
                     << "seed " << seed << ", level " << level << ", order " << order << ", area flag "
                     << areaFlag << ", second flag " << secondFlag << ": " << DescribeJob(job));
        const std::int64_t before = hits;
        const RowVariant variant{order, level, areaFlag, secondFlag};
        auto run = [&](bool memo) {
            return RowRun(job, variant, [&hits, memo] {
                auto engine = std::make_unique<CountingCal4>();
                engine->Hits = &hits;
                engine->UseRowMemo = memo;
                return engine;
            });
        };
        ExpectSameRun(run(true), run(false));
        answered += hits > before ? 1 : 0;
    }
    EXPECT_GE(answered, 12);
}

// A row job of effort 0 takes the run of an ended job of effort 0 with the same level and part
// order, whatever the gain measure, and comes out as when it runs alone; it takes no other run,
// none of a stopped job, and jobs of effort 1 take none.
TEST(Cal4EndedRuns, AJobOfEffortZeroTakesTheSameRunOfAnotherGainMeasure)
{
    struct Setup {
        int order, level, area, second;
    };
    auto make = [](const Setup& v) {
        auto engine = std::make_unique<CCal4>();
        engine->Order = v.order;
        engine->Level = v.level;
        engine->AreaFlag = v.area;
        engine->SecondFlag = v.second;
        return engine;
    };
    struct Case {
        const char* what;
        Setup first, second;
        bool stopFirst, taken;
    };
    const Case cases[] = {
        {"the other gain measure", {0, 2, 0, 0}, {0, 2, 0, 1}, false, true},
        {"the same job again", {0, 3, 1, 1}, {0, 3, 1, 1}, false, true},
        {"another level", {0, 1, 0, 0}, {0, 2, 0, 1}, false, false},
        {"another part order", {0, 2, 0, 0}, {0, 2, 1, 1}, false, false},
        {"effort 1 after effort 0", {0, 2, 0, 0}, {1, 2, 0, 0}, false, false},
        {"effort 0 after effort 1", {1, 2, 0, 0}, {0, 2, 0, 0}, false, false},
        {"the first stopped", {0, 2, 0, 0}, {0, 2, 0, 1}, true, false},
    };
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const TestJob job = GenerateJob(seed);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", " << c.what << ": " << DescribeJob(job));
            const JobRun alone = RunEveryGroup(job, [&] { return make(c.second); });
            JobRun joined;
            const std::vector<CCalData> groups = job.Groups(joined.Ret);
            for (std::size_t g = 0; g < groups.size(); ++g) {
                auto first = make(c.first);
                auto second = make(c.second);
                second->JoinGroupJob(*first);
                for (CCal4* engine : {first.get(), second.get()}) {
                    job.Prepare(*engine, g);
                    engine->Running = 1;
                }
                first->StopRequest = c.stopFirst ? 1 : 0;
                first->Calculate();
                second->Calculate();
                EXPECT_EQ(second->TookRun(), c.taken);
                EXPECT_EQ(second->Running, 0);
                joined.Ret.Append(second->Ret);
                joined.LeftYBuzai.insert(joined.LeftYBuzai.end(), second->LeftYBuzai.begin(),
                                         second->LeftYBuzai.end());
                joined.States.push_back(second->State);
            }
            ASSERT_EQ(ResultToJson(joined.Ret), ResultToJson(alone.Ret));
            ASSERT_EQ(joined.LeftYBuzai, alone.LeftYBuzai);
            ASSERT_EQ(joined.States, alone.States);
        }
    }
    // A job asked to stop ends stopped, with a run to take or without.
    const TestJob job = GenerateJob(1);
    auto first = make({0, 2, 0, 0});
    auto second = make({0, 2, 0, 1});
    second->JoinGroupJob(*first);
    for (CCal4* engine : {first.get(), second.get()}) {
        job.Prepare(*engine);
        engine->Running = 1;
    }
    first->Calculate();
    second->StopRequest = 1;
    second->Calculate();
    EXPECT_TRUE(second->TookRun());
    EXPECT_EQ(second->State, kStateStopped);
}

// Every variant the run makes of the row engine, on generated jobs, gives layouts that can be cut.
// One test per level, so that the levels can run side by side.
class Cal4Generated : public testing::TestWithParam<int> {};

TEST_P(Cal4Generated, EveryLayoutCanBeCut)
{
    const int level = GetParam();
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        const TestJob job = GenerateJob(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(job));
        for (int variant = 0; variant < 12; ++variant) {
            const int order = variant % 3, areaFlag = variant / 3 % 2, secondFlag = variant / 6;
            SCOPED_TRACE(testing::Message() << "order " << order << ", area flag " << areaFlag
                                            << ", second flag " << secondFlag);
            const JobRun run = RunEveryGroup(job, [&] {
                auto engine = std::make_unique<CCal4>();
                engine->Order = order;
                engine->Level = level;
                engine->AreaFlag = areaFlag;
                engine->SecondFlag = secondFlag;
                return engine;
            });
            ExpectValidResult(run.Ret, job, &run.LeftYBuzai);
            for (int state : run.States) {
                EXPECT_TRUE(state == 3 || state == 4) << "state " << state;
            }
            if (testing::Test::HasFailure()) {
                return;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, Cal4Generated, testing::Values(0, 1, 2, 3));
