#include "calc/engines/Cal2.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "calc/JobGenerator.h"
#include "calc/TestJob.h"
#include "calc/LayoutChecker.h"

namespace {

// Candidates in list order; entry i is candidate i.
std::vector<CAL2_LENBUZAI> Candidates(
    std::initializer_list<std::pair<std::int32_t, std::int32_t>> lengthsAndPieces)
{
    std::vector<CAL2_LENBUZAI> candidates;
    for (const auto& [length, pieces] : lengthsAndPieces) {
        candidates.push_back(
            CAL2_LENBUZAI{length, static_cast<std::int32_t>(candidates.size()), pieces, 0, 0});
    }
    return candidates;
}

// Piece lengths of the chosen items with their counts, as {length, pieces}.
std::vector<std::pair<std::int32_t, std::int32_t>> Taken(const std::vector<CAL2_LENBUZAI>& chosen)
{
    std::vector<std::pair<std::int32_t, std::int32_t>> taken;
    for (const CAL2_LENBUZAI& c : chosen) {
        taken.emplace_back(c.Length, c.Pieces);
    }
    return taken;
}

// An engine prepared on the job, ready for direct calls of its strip operations.
struct PreparedCal2 {
    CCal2 engine;
    PreparedCal2(const TestJob& job, int order, int level)
    {
        engine.Order = order;
        engine.Level = level;
        job.Prepare(engine);
    }
};

}  // namespace

TEST(Cal2FillLength, TakesWhatFitsWithTheKerfBetweenPieces)
{
    struct Case {
        std::int32_t length, kerf, piece, available;
        std::int32_t pieces, remaining;
    };
    // n pieces of s fit into L when n × (s + k) <= L + k; the last kerf is given back.
    for (const Case& c :
         {Case{1000, 5, 300, 9, 3, 90}, Case{910, 5, 300, 9, 3, 0}, Case{909, 5, 300, 9, 2, 304},
          Case{1000, 5, 300, 2, 2, 395}, Case{1000, 0, 250, 9, 4, 0}, Case{200, 5, 300, 9, 0, 200}}) {
        SCOPED_TRACE(testing::Message() << c.length << " kerf " << c.kerf << " piece " << c.piece);
        CCal2 engine;
        engine.NokoHaba = c.kerf;
        std::vector<CAL2_LENBUZAI> chosen;
        std::int32_t remaining = -1, used = -1;
        engine.FillLength(c.length, Candidates({{c.piece, c.available}}), chosen, remaining, used);
        EXPECT_EQ(remaining, c.remaining);
        EXPECT_EQ(used, c.piece * c.pieces);
        if (c.pieces == 0) {
            EXPECT_TRUE(chosen.empty());
        } else {
            EXPECT_EQ(Taken(chosen),
                      (std::vector<std::pair<std::int32_t, std::int32_t>>{{c.piece, c.pieces}}));
        }
    }
}

TEST(Cal2FillLength, GreedyPassWalksTheCandidatesInListOrder)
{
    CCal2 engine;
    engine.NokoHaba = 10;
    std::vector<CAL2_LENBUZAI> chosen;
    std::int32_t remaining = 0, used = 0;
    // 1000: 400 + 10 + 400 + 10 = 820 left 180, the 300 no longer fits, then 100 + 10 + ... (n = 190 / 110 =
    // 1)
    engine.FillLength(1000, Candidates({{400, 2}, {300, 5}, {100, 5}}), chosen, remaining, used);
    EXPECT_EQ(Taken(chosen), (std::vector<std::pair<std::int32_t, std::int32_t>>{{400, 2}, {100, 1}}));
    EXPECT_EQ(chosen[1].Source, 2);
    EXPECT_EQ(remaining, 1000 - 820 - 110 + 10);
    EXPECT_EQ(used, 900);
}

TEST(Cal2FillLength, ExchangePassesImproveOnTheGreedyFill)
{
    // Length 100, no kerf. Greedy: 43 + 43 = 86. One exchange gives a 43 back for 32 + 17 (92);
    // a second pass gives the 32 back for 17 + 17 (94).
    struct Case {
        int order;
        std::vector<std::pair<std::int32_t, std::int32_t>> taken;
        std::int32_t remaining, used;
    };
    for (const Case& c : {Case{0, {{43, 2}}, 14, 86}, Case{1, {{43, 1}, {32, 1}, {17, 1}}, 8, 92},
                          Case{2, {{43, 1}, {17, 3}}, 6, 94}}) {
        SCOPED_TRACE(testing::Message() << "order " << c.order);
        CCal2 engine;
        engine.Order = c.order;
        std::vector<CAL2_LENBUZAI> chosen;
        std::int32_t remaining = 0, used = 0;
        engine.FillLength(100, Candidates({{43, 2}, {32, 3}, {17, 3}}), chosen, remaining, used);
        EXPECT_EQ(Taken(chosen), c.taken);
        EXPECT_EQ(remaining, c.remaining);
        EXPECT_EQ(used, c.used);
        for (const CAL2_LENBUZAI& item : chosen) {
            EXPECT_EQ(item.Entry, item.Source);
        }
    }
}

TEST(Cal2FillLength, ExchangeNeedsARefillLongerThanThePieceGivenBack)
{
    // 60 + 30 = 90 of 100: giving the 30 back leaves 40 for the 20s, which only gives 40 > 30 when
    // two are available; with one 20 the refill (20) is shorter and nothing changes.
    struct Case {
        std::int32_t twenties;
        std::vector<std::pair<std::int32_t, std::int32_t>> taken;
    };
    for (const Case& c : {Case{1, {{60, 1}, {30, 1}}}, Case{2, {{60, 1}, {20, 2}}}}) {
        SCOPED_TRACE(c.twenties);
        CCal2 engine;
        engine.Order = 1;
        std::vector<CAL2_LENBUZAI> chosen;
        std::int32_t remaining = 0, used = 0;
        engine.FillLength(100, Candidates({{60, 1}, {30, 1}, {20, c.twenties}}), chosen, remaining, used);
        EXPECT_EQ(Taken(chosen), c.taken);
    }
}

TEST(Cal2FillLength, StopRequestChoosesNothing)
{
    CCal2 engine;
    engine.StopRequest = 1;
    std::vector<CAL2_LENBUZAI> chosen{CAL2_LENBUZAI{}};
    std::int32_t remaining = 0, used = 7;
    engine.FillLength(1000, Candidates({{300, 3}}), chosen, remaining, used);
    EXPECT_TRUE(chosen.empty());
    EXPECT_EQ(remaining, 1000);
    EXPECT_EQ(used, 0);
}

namespace {

// FillLength with what its exchange passes did.
class TracedCal2 : public CCal2 {
public:
    struct Fill {
        std::vector<CAL2_LENBUZAI> chosen;
        std::int32_t remaining = 0, used = 0;
        friend bool operator==(const Fill&, const Fill&) = default;
    };
    Fill Make(int order, std::int32_t length, const std::vector<CAL2_LENBUZAI>& candidates)
    {
        Order = order;
        FillTrace() = {};
        Fill fill;
        FillLength(length, candidates, fill.chosen, fill.remaining, fill.used);
        return fill;
    }
    using CCal2::FillTrace;
};

}  // namespace

// The trace of a fill says with which other orders the same fill comes out the same; jobs of
// those orders take layouts made of such fills from each other. Checked on random fills.
TEST(Cal2FillLength, TheTraceTellsWhichOtherOrdersFillTheSame)
{
    Dice dice(7);
    int claimed[3][3] = {}, differ = 0;
    for (int n = 0; n < 3000; ++n) {
        std::vector<CAL2_LENBUZAI> candidates;
        for (int i = dice.Between(1, 6); i > 0; --i) {
            candidates.push_back(CAL2_LENBUZAI{
                dice.Between(5, 60), static_cast<std::int32_t>(candidates.size()), dice.Between(1, 4), 0, 0});
        }
        const std::int32_t length = dice.Between(40, 200);
        TracedCal2 engine;
        engine.NokoHaba = dice.Between(0, 3);
        TracedCal2::Fill fills[3];
        LengthFillScratch<CAL2_LENBUZAI>::ExchangeTrace traces[3];
        for (int order = 0; order < 3; ++order) {
            fills[order] = engine.Make(order, length, candidates);
            traces[order] = engine.FillTrace();
        }
        for (int order = 0; order < 3; ++order) {
            for (int other = 0; other < 3; ++other) {
                if (traces[order].SameUnder(order, other)) {
                    ++claimed[order][other];
                    ASSERT_EQ(fills[order], fills[other])
                        << "fill " << n << ", order " << order << " as " << other;
                } else {
                    differ += fills[order] == fills[other] ? 0 : 1;
                }
            }
        }
    }
    // Every claim but those of order 0 was made, and enough fills differ for a wrong one to show.
    for (int order = 1; order < 3; ++order) {
        for (int other = 0; other < 3; ++other) {
            EXPECT_GT(claimed[order][other], 100) << order << " as " << other;
        }
    }
    EXPECT_EQ(claimed[0][1] + claimed[0][2], 0);
    EXPECT_GT(differ, 100);
}

// A strip of one candidate is filled without the exchange passes: as the full fill does, which
// here gets a second candidate of no pieces (it never takes part), for every order, with the
// trace untouched. Edge cases by hand, then random fills.
TEST(Cal2FillLength, OneCandidateFillsAsTheFullFill)
{
    struct Case {
        std::int32_t length, pieceLength, pieces, kerf;
    };
    std::vector<Case> cases = {
        {1000, 1000, 1, 0}, {1000, 1000, 1, 5}, {1000, 1001, 3, 0}, {1000, 500, 2, 1},
        {1000, 499, 2, 2},  {1000, 300, 0, 5},  {0, 300, 2, 5},     {-5, 300, 2, 0},
        {1000, 1, 5000, 0}, {1000, 333, 9, 1},  {1003, 333, 9, 2},  {1004, 333, 9, 2},
    };
    Dice dice(11);
    for (int n = 0; n < 2000; ++n) {
        cases.push_back(
            {dice.Between(0, 3000), dice.Between(1, 1500), dice.Between(0, 12), dice.Between(0, 60)});
    }
    for (const Case& c : cases) {
        for (int order = 0; order < 3; ++order) {
            SCOPED_TRACE(testing::Message() << "length " << c.length << ", piece " << c.pieceLength << " x "
                                            << c.pieces << ", kerf " << c.kerf << ", order " << order);
            const CAL2_LENBUZAI one{c.pieceLength, 4, c.pieces, 1, 0};
            TracedCal2 engine;
            engine.NokoHaba = c.kerf;
            const TracedCal2::Fill alone = engine.Make(order, c.length, {one});
            const auto trace = engine.FillTrace();
            const TracedCal2::Fill full = engine.Make(order, c.length, {one, CAL2_LENBUZAI{1, 5, 0, 0, 0}});
            ASSERT_EQ(alone, full);
            EXPECT_FALSE(trace.FirstApplied || trace.LaterApplied || trace.WouldGoOn);
        }
    }
}

namespace {

class PlacingCal2 : public CCal2 {
public:
    using CCal2::PlaceStrips;
};

}  // namespace

// Where the caller knows that only the chosen entries can be used up (every other one holds
// pieces), placing strips drops what the full drop does. Random lists and choices, chosen in
// list order and out of it (an exchange pass appends its refill).
TEST(Cal2PlaceStrips, OnlyTheChosenUsedUpDropAsEveryEntryLookedAt)
{
    TestJob job = TestJob().Board(5000, 5000);
    for (int i = 0; i < 12; ++i) {
        job.Parts(100 + 10 * i, 50 + 5 * i, 9);
    }
    PlacingCal2 engine;
    job.Prepare(engine);
    Dice dice(5);
    int dropped = 0;
    for (int n = 0; n < 3000; ++n) {
        std::vector<CAL_BUZAI> entries;
        for (std::int32_t number = 0; number < 12; ++number) {
            if (dice.Chance(70)) {
                entries.push_back(CAL_BUZAI{number, dice.Between(1, 9), 0});
            }
        }
        const std::int32_t strips = dice.Between(1, 3);
        std::vector<CAL2_LENBUZAI> chosen;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::int32_t most = entries[i].Count / strips;
            if (most >= 1 && dice.Chance(40)) {
                const std::int32_t pieces = dice.Chance(50) ? most : dice.Between(1, most);
                chosen.push_back(CAL2_LENBUZAI{10, static_cast<std::int32_t>(i), pieces, 0, 0});
            }
        }
        if (dice.Chance(30)) {
            std::reverse(chosen.begin(), chosen.end());
        }
        const CalRect rect{0, 0, 5000, 5000};
        std::vector<CAL_BUZAI> all = entries, known = entries;
        COutData a, b;
        engine.PlaceStrips(0, n % 2, chosen, all, a, rect, strips);
        engine.PlaceStrips(0, n % 2, chosen, known, b, rect, strips, true);
        ASSERT_EQ(known, all) << "case " << n;
        ASSERT_EQ(b.Blocks, a.Blocks);
        ASSERT_EQ(b.PartsArea, a.PartsArea);
        dropped += entries.size() - all.size() > 0 ? 1 : 0;
    }
    EXPECT_GT(dropped, 500);

    // An entry used up before the strips stays without the full drop: the caller must not say so.
    std::vector<CAL_BUZAI> entries{{0, 0, 0}, {1, 2, 0}};
    COutData layout;
    engine.PlaceStrips(0, 0, {CAL2_LENBUZAI{10, 1, 1, 0, 0}}, entries, layout, CalRect{0, 0, 5000, 5000}, 1,
                       true);
    EXPECT_EQ(entries.size(), 2U);
    engine.PlaceStrips(0, 0, {CAL2_LENBUZAI{10, 1, 1, 0, 0}}, entries, layout, CalRect{0, 0, 5000, 5000}, 1);
    EXPECT_TRUE(entries.empty());
}

// Strip 0..1000 along x, 500 thick, kerf 5:  |300|300|300|..90..|  the rest starts after the last kerf.
TEST(Cal2FillStrip, PlacesTheChosenPiecesAndReturnsTheRest)
{
    const TestJob job = TestJob().Board(1000, 500).Kerf(5).Parts(300, 500, 4).Parts(200, 300, 2);
    PreparedCal2 p(job, 0, 0);
    const std::vector<CAL_BUZAI>& in = p.engine.CalData.Buzai[0];
    std::vector<CAL_BUZAI> out;
    COutData layout;
    const CalRect rest = p.engine.FillStrip(0, 0, 1, in, out, layout, 500, CalRect{0, 0, 1000, 500});

    ASSERT_EQ(layout.Blocks.size(), 1u);
    EXPECT_EQ(layout.Blocks[0], CHaichi(0, 0, 0, 0, 3, 1, 0));
    EXPECT_EQ(rest, (CalRect{915, 0, 1000, 500}));
    EXPECT_DOUBLE_EQ(layout.PartsArea, 3.0 * 300 * 500);
    EXPECT_EQ(out, (std::vector<CAL_BUZAI>{{0, 1, 0}, {1, 2, 0}}));
}

TEST(Cal2FillStrip, TurnsPartsWhoseSizeAlongIsTheThickness)
{
    // Strip along y, 200 thick (across = x). 300 x 200 turned lies 200 across, 300 along;
    // 200 x 250 fits as it is; 150 x 400 neither; a 300 x 200 that may not turn stays out.
    const TestJob job = TestJob()
                            .Board(1000, 1000)
                            .Parts(300, 200, 1)
                            .Parts(200, 250, 1)
                            .Parts(150, 400, 1)
                            .Parts(300, 200, 1, /*noTurn*/ 1);
    PreparedCal2 p(job, 0, 0);
    const std::vector<CAL_BUZAI> in{{0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {3, 1, 0}};
    std::vector<CAL_BUZAI> out;
    COutData layout;
    const CalRect rest = p.engine.FillStrip(0, 1, 0, in, out, layout, 200, CalRect{100, 0, 300, 1000});
    EXPECT_EQ(layout.Blocks,
              (std::vector<CHaichi>{CHaichi(0, 0, 100, 0, 1, 1, 1), CHaichi(1, 0, 100, 300, 1, 1, 0)}));
    EXPECT_EQ(rest, (CalRect{100, 550, 300, 1000}));
    EXPECT_EQ(out, (std::vector<CAL_BUZAI>{{2, 1, 0}, {3, 1, 0}}));
}

TEST(Cal2LayoutStrips, LevelZeroStripsHoldOnlyPiecesOfTheirThickness)
{
    // 2000 x 1000, d = 0. The first strip is 300 thick (the 1000 x 300 part); the 400 x 200 parts
    // only enter it with a further stage (level 1: cross strips in the 1000 x 300 rest).
    const TestJob job = TestJob().Board(2000, 1000).Parts(1000, 300, 1, 1).Parts(400, 200, 5, 1);
    for (int level : {0, 1}) {
        SCOPED_TRACE(level);
        PreparedCal2 p(job, 0, level);
        BuzaiLists out;
        COutData layout;
        ASSERT_EQ(
            p.engine.LayoutStrips(0, 0, 0, p.engine.CalData.Buzai, out, layout, CalRect{0, 0, 2000, 1000}),
            1);
        bool mixed = false;
        for (const CHaichi& block : layout.Blocks) {
            const CBuzai& part = job.Buzai.Items.at(static_cast<std::size_t>(block.Number));
            for (const CHaichi& other : layout.Blocks) {
                const CBuzai& otherPart = job.Buzai.Items.at(static_cast<std::size_t>(other.Number));
                if (other.Y == block.Y && otherPart.Height != part.Height) {
                    mixed = true;
                }
            }
        }
        EXPECT_EQ(mixed, level == 1);
    }
}

TEST(Cal2LayoutStrips, RecordsOnlyTheFirstStageCuts)
{
    // 1000 x 1000, kerf 10, d = 0, no stage limit.
    //   y 820 +------------------------------+  a 300 x 200 no longer fits (820 + 200 > 1000)
    //   y 410 | A 600 x 400      | B |       |  cut at 815
    //   y   0 | A 600 x 400      | B |       |  cut at 405
    // The B pieces stand in cross strips of the rests (610..1000); their cuts are not recorded.
    const TestJob job = TestJob().Board(1000, 1000).Kerf(10).Parts(600, 400, 2, 1).Parts(300, 200, 3, 1);
    PreparedCal2 p(job, 0, 2);
    BuzaiLists out;
    COutData layout;
    ASSERT_EQ(p.engine.LayoutStrips(0, 0, 0, p.engine.CalData.Buzai, out, layout, CalRect{0, 0, 1000, 1000}),
              1);
    EXPECT_EQ(layout.Blocks,
              (std::vector<CHaichi>{CHaichi(0, 0, 0, 0, 1, 1, 0), CHaichi(1, 0, 610, 0, 1, 1, 0),
                                    CHaichi(0, 0, 0, 410, 1, 1, 0), CHaichi(1, 0, 610, 410, 1, 1, 0)}));
    EXPECT_EQ(layout.CutLines, (std::vector<CUTMARK>{{0, 405, 1000, 405}, {0, 815, 1000, 815}}));
    EXPECT_EQ(out[0], (std::vector<CAL_BUZAI>{{1, 1, 0}}));
}

TEST(Cal2LayoutStrips, ModesChooseTheStripOrientationDifferently)
{
    // 1000 x 1000, d = 0, level 0. A 600 x 200 as it is: a 200 strip, 60 % full.
    // Turned: a 600 strip with A and three 100 x 600: more parts area, but only 50 % full.
    // Mode 0 compares how full the strips are, mode 1 the parts areas.
    const TestJob job = TestJob().Board(1000, 1000).Parts(600, 200, 1).Parts(100, 600, 3, 1);
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        PreparedCal2 p(job, 0, 0);
        BuzaiLists out;
        COutData layout;
        ASSERT_EQ(
            p.engine.LayoutStrips(0, mode, 0, p.engine.CalData.Buzai, out, layout, CalRect{0, 0, 1000, 1000}),
            1);
        ASSERT_FALSE(layout.Blocks.empty());
        EXPECT_EQ(layout.Blocks[0], CHaichi(0, 0, 0, 0, 1, 1, mode));
        const std::int32_t firstCut = mode == 0 ? 200 : 600;
        ASSERT_FALSE(layout.CutLines.empty());
        EXPECT_EQ(layout.CutLines[0], (CUTMARK{0, firstCut, 1000, firstCut}));
    }
}

TEST(Cal2LayoutBoard, CuttingLimitForbidsStripsAcrossTheLongSide)
{
    // 2000 x 1000, parts 1000 x 250 that may not turn: strips along x (horizontal cuts of 2000)
    // and strips along y fill the board equally; the first attempt (along x) is kept unless the
    // width is over the cutting limit. Over both limits nothing is laid out.
    struct Case {
        std::int32_t limit;
        int result;
        bool horizontal;
    };
    const TestJob job = TestJob().Board(2000, 1000).Parts(1000, 250, 8, 1);
    for (const Case& c : {Case{999999, 1, true}, Case{1500, 1, false}, Case{900, 0, false}}) {
        SCOPED_TRACE(c.limit);
        PreparedCal2 p(job, 0, 0);
        p.engine.MaxCutSize = c.limit;
        BuzaiLists left;
        COutData layout;
        layout.BoardNo = 0;
        ASSERT_EQ(p.engine.LayoutBoard(p.engine.CalData.Buzai, left, layout, CalRect{0, 0, 2000, 1000}),
                  c.result);
        if (c.result == 0) {
            EXPECT_EQ(left, p.engine.CalData.Buzai);
            EXPECT_TRUE(layout.Blocks.empty());
            continue;
        }
        EXPECT_DOUBLE_EQ(layout.PartsArea, 2000.0 * 1000);
        ASSERT_FALSE(layout.CutLines.empty());
        for (const CUTMARK& cut : layout.CutLines) {
            EXPECT_EQ(cut.Y0 == cut.Y1, c.horizontal);
        }
    }
}

TEST(Cal2LayoutBoard, EqualPartsAreasAreDecidedByTheTotalArea)
{
    // 1000 x 1000, level 0. Along x the 600 x 1000 part makes a strip 1000 thick that the 400 x 900
    // secondary part cannot join; along y the secondary part gets a strip of its own. Both place
    // the same parts area, so the strips along y win by the total area although they come later.
    const TestJob job = TestJob().Board(1000, 1000).Parts(600, 1000, 1, 1).Secondary(400, 900, 1, 1);
    PreparedCal2 p(job, 0, 0);
    BuzaiLists left;
    COutData layout;
    ASSERT_EQ(p.engine.LayoutBoard(p.engine.CalData.Buzai, left, layout, CalRect{0, 0, 1000, 1000}), 1);
    EXPECT_EQ(layout.Blocks,
              (std::vector<CHaichi>{CHaichi(0, 0, 0, 0, 1, 1, 0), CHaichi(0, 1, 600, 0, 1, 1, 0)}));
    EXPECT_DOUBLE_EQ(layout.PartsArea, 600.0 * 1000);
    EXPECT_DOUBLE_EQ(layout.TotalArea, 600.0 * 1000 + 400.0 * 900);
    EXPECT_TRUE(left[1].empty());
}

TEST(Cal2LayoutBoard, StopRequestLeavesTheListsAsTheyWere)
{
    const TestJob job = TestJob().Board(1000, 1000).Parts(300, 300, 4);
    PreparedCal2 p(job, 2, 2);
    p.engine.StopRequest = 1;
    BuzaiLists left;
    COutData layout;
    EXPECT_EQ(p.engine.LayoutBoard(p.engine.CalData.Buzai, left, layout, CalRect{0, 0, 1000, 1000}), 0);
    EXPECT_EQ(left, p.engine.CalData.Buzai);
    EXPECT_TRUE(layout.Blocks.empty());
}

// 1000 x 500 board, kerf 5, three 300 x 500 parts:  |0|1|2|..90..|
TEST(Cal2Calculate, FillsOneStripAlongItsLength)
{
    const TestJob job = TestJob().Board(1000, 500).Kerf(5).Parts(300, 500, 3);
    CCal2 engine;
    const CRetData result = RunEngine(engine, job);
    ExpectValidResult(result, job);
    EXPECT_EQ(PlacedPieces(result), 3);
    ASSERT_EQ(result.Layouts.size(), 1u);
    EXPECT_EQ(result.Layouts[0].Blocks, (std::vector<CHaichi>{CHaichi(0, 0, 0, 0, 3, 1, 0)}));
}

TEST(Cal2SetCalData, PoolsTheBoardsWhenPriorityIsIgnored)
{
    const TestJob job =
        TestJob().Board(1000, 1000, 5, 2).Board(900, 900, 5, 0).Board(800, 800, 5, 1).Parts(100, 100, 1);
    for (int ignore : {0, 1}) {
        SCOPED_TRACE(ignore);
        CCal2 engine;
        engine.Reset();
        Settings set = job.Set;
        set.NoUsenFlg = ignore;
        engine.Configure(set, job.Buzai, job.YBuzai, job.Genban);
        engine.SetCalData(job.Group());
        EXPECT_EQ(engine.State, 1);
        if (ignore) {
            EXPECT_EQ(engine.CalData.Genban[0], (std::vector<CAL_GENBAN>{{1, 5, 0}, {2, 5, 1}, {0, 5, 2}}));
            EXPECT_TRUE(engine.CalData.Genban[1].empty());
            EXPECT_TRUE(engine.CalData.Genban[2].empty());
        } else {
            EXPECT_EQ(engine.CalData.Genban, job.Group().Genban);
        }
    }
}
