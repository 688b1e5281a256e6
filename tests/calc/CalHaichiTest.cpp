#include "calc/CalHaichi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <thread>

#include "base/CalcError.h"
#include "calc/MessageSink.h"
#include "calc/TestJob.h"
#include "calc/LayoutChecker.h"

namespace {

using Strategy = std::function<int(CCalHaichi&, const BuzaiLists&, BuzaiLists&, COutData&, const CalRect&)>;

// Subtracts the pieces of a block from a copy of the lists, dropping entries at 0.
void TakePieces(BuzaiLists& left, int list, std::int32_t number, std::int32_t pieces)
{
    for (CAL_BUZAI& e : left[list]) {
        if (e.Number == number) {
            e.Count -= pieces;
        }
    }
    std::erase_if(left[list], [](const CAL_BUZAI& e) { return e.Count < 1; });
}

void AddBlock(CCalHaichi& engine, COutData& layout, BuzaiLists& left, const CHaichi& block)
{
    const CBuzai& part = engine.Part(block.List, block.Number);
    const double area = static_cast<double>(part.Width) * part.Height * block.Nx * block.Ny;
    layout.Blocks.push_back(block);
    layout.TotalArea += area;
    if (block.List == 0) {
        layout.PartsArea += area;
    }
    TakePieces(left, block.List, block.Number, block.Nx * block.Ny);
}

// The test strategy: the first remaining part that fits, as one block of as many pieces as fit
// (at most MaxPieces when set) in the rectangle's corner, unturned when it fits so.
int FirstBlock(CCalHaichi& engine, const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
               const CalRect& rect, std::int32_t maxPieces)
{
    left = remaining;
    const std::int64_t k = engine.NokoHaba;
    for (int list = 0; list < 2; ++list) {
        for (const CAL_BUZAI& e : remaining[list]) {
            const CBuzai& part = engine.Part(list, e.Number);
            for (int rotated = 0; rotated < 2; ++rotated) {
                if (rotated && part.NoTurn) {
                    continue;
                }
                const std::int64_t sx = rotated ? part.Height : part.Width;
                const std::int64_t sy = rotated ? part.Width : part.Height;
                const std::int64_t fx = (rect.Width() + k) / (sx + k), fy = (rect.Height() + k) / (sy + k);
                if (fx < 1 || fy < 1) {
                    continue;
                }
                std::int64_t n = e.Count;
                if (maxPieces > 0) {
                    n = std::min<std::int64_t>(n, maxPieces);
                }
                const std::int64_t nx = std::min(fx, n);
                const std::int64_t ny = std::min(fy, n / nx);
                AddBlock(engine, layout, left,
                         CHaichi(e.Number, list, rect.X0, rect.Y0, static_cast<std::int32_t>(nx),
                                 static_cast<std::int32_t>(ny), rotated));
                return 1;
            }
        }
    }
    return 0;
}

// A small concrete engine for the tests of the base. It records every LayoutBoard input.
class BlockEngine final : public CCalHaichi {
public:
    std::int32_t MaxPieces = 0;
    Strategy Custom;  // replaces FirstBlock when set
    std::vector<BuzaiLists> Calls;

    void SetCalData(const CCalData& data) override
    {
        CalData.Clear();
        if (NoUsenFlg) {
            for (const auto& level : data.Genban) {
                CalData.Genban[0].insert(CalData.Genban[0].end(), level.begin(), level.end());
            }
        } else {
            CalData.Genban = data.Genban;
        }
        CalData.Buzai = data.Buzai;
        State = 1;
    }
    int LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                    const CalRect& rect) override
    {
        Calls.push_back(remaining);
        if (Custom) {
            return Custom(*this, remaining, left, layout, rect);
        }
        return FirstBlock(*this, remaining, left, layout, rect, MaxPieces);
    }
    std::unique_ptr<CCalHaichi> CreateInstance() const override
    {
        return EngineWith(*this, &BlockEngine::MaxPieces, &BlockEngine::Custom);
    }
};

std::vector<std::int32_t> BoardOrder(const CRetData& ret)
{
    std::vector<std::int32_t> order;
    for (const COutData& layout : ret.Layouts) {
        order.push_back(layout.BoardNo);
    }
    return order;
}

std::vector<std::int32_t> Repeats(const CRetData& ret)
{
    std::vector<std::int32_t> repeats;
    for (const COutData& layout : ret.Layouts) {
        repeats.push_back(layout.Repeat);
    }
    return repeats;
}

// Pieces on one board of each layout.
std::vector<std::int32_t> PiecesPerBoard(const CRetData& ret)
{
    std::vector<std::int32_t> pieces;
    for (const COutData& layout : ret.Layouts) {
        std::int32_t n = 0;
        for (const CHaichi& block : layout.Blocks) {
            n += block.Nx * block.Ny;
        }
        pieces.push_back(n);
    }
    return pieces;
}

}  // namespace

// Board 0 (最優先) takes only the small part 1; board 1 (標準) takes both.
//   board 0: 300 x 300       board 1: 2000 x 2000
TEST(CalHaichiCalculate, MostPreferredBoardsFirstTheRestDeferred)
{
    struct Case {
        const char* name;
        std::int32_t priority0, priority1;
        int noUsenFlg;
        std::vector<std::int32_t> boards;  // board of each layout, in order
    };
    const Case cases[] = {
        {"最優先 first, the big part waits for pass 1", 2, 0, 0, {0, 1}},
        {"優先 and 標準 share pass 1, 優先 only while it takes the part", 0, 1, 0, {1, 1}},
        {"only 標準 boards: all deferred, then laid in order", 0, 0, 0, {1, 0}},
        {"priority ignored: pooled, laid in part order", 2, 0, 1, {1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob job;
        job.Parts(1000, 1000, 1).Parts(300, 300, 1);
        job.Board(300, 300, 9999, c.priority0).Board(2000, 2000, 9999, c.priority1);
        job.Set.NoUsenFlg = c.noUsenFlg;
        job.Set.NoRateFlg = 1;
        BlockEngine engine;
        const CRetData ret = RunEngine(engine, job);
        ExpectValidResult(ret, job);
        EXPECT_EQ(BoardOrder(ret), c.boards);
        EXPECT_EQ(engine.State, 3);
        EXPECT_EQ(engine.Running, 0);
        EXPECT_EQ(engine.GetProgress(), 100);
    }
}

TEST(CalHaichiCalculate, PartThatFitsNoBoardIsUnplaced)
{
    struct Case {
        const char* name;
        std::int32_t width, height;
        int noTurn;
        bool placed;
    };
    const Case cases[] = {
        {"fits as it is", 900, 400, 0, true},
        {"fits turned", 400, 900, 0, true},
        {"fits only turned but must not be turned", 400, 900, 1, false},
        {"larger than the trimmed board", 990, 400, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob job;
        job.Parts(c.width, c.height, 2, c.noTurn).Parts(100, 100, 3);
        job.Board(1000, 500).Trim(0, 0, 5, 10);  // trimmed: 985 x 500
        BlockEngine engine;
        const CRetData ret = RunEngine(engine, job);
        ExpectValidResult(ret, job);
        EXPECT_EQ(PlacedPieces(ret), c.placed ? 5 : 3);
        if (c.placed) {
            EXPECT_TRUE(ret.Unplaced.empty());
            EXPECT_EQ(engine.State, 3);
        } else {
            EXPECT_EQ(ret.Unplaced, (std::vector<CAL_BUZAI>{{0, 2, 0}}));
            EXPECT_EQ(engine.State, 4);
            EXPECT_EQ(engine.GetProgress(), 60);  // 3 of 5 pieces
        }
    }
}

TEST(CalHaichiCalculate, GroupWithoutBoardsLeavesEverythingUnplaced)
{
    TestJob job;
    job.Parts(100, 100, 2).Parts(200, 200, 1).Board(1000, 1000, 5, 0, 0, "other");
    BlockEngine engine;
    const CRetData ret = RunEngine(engine, job);
    EXPECT_TRUE(ret.Layouts.empty());
    EXPECT_EQ(ret.Unplaced, (std::vector<CAL_BUZAI>{{0, 2, 0}, {1, 1, 0}}));
    EXPECT_EQ(engine.State, 4);
    EXPECT_EQ(engine.GetProgress(), 0);
}

// Part 100 x 100, kerf 0.
//   board S: 200 x 200, 4 pieces, yield 1      board L: 400 x 200, 8 pieces, yield 1
//   board C: 250 x 250, 4 pieces, yield 0.64 (cheap)
TEST(CalHaichiCalculate, CandidateBoardChoiceWithAndWithoutPrice)
{
    struct Board {
        std::int32_t width, height, price;
    };
    struct Case {
        const char* name;
        std::vector<Board> boards;
        int noRateFlg;
        std::int32_t chosen;
    };
    const Board s{200, 200, 100}, l{400, 200, 200}, cheap{250, 250, 100}, dear{200, 200, 400};
    const Case cases[] = {
        {"tie, price ignored: smaller parts area wins", {l, s}, 1, 1},
        {"tie, price ignored: the first stays when it is smaller", {s, l}, 1, 0},
        {"tie, price counted: greater parts area wins", {s, l}, 0, 1},
        {"tie, price counted: the first stays when it is greater", {l, s}, 0, 0},
        {"price ignored: higher yield wins", {cheap, dear}, 1, 1},
        {"price counted: lower price per yield wins", {dear, cheap}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob job;
        job.Parts(100, 100, 8);
        for (const Board& b : c.boards) {
            job.Board(b.width, b.height, 9999, 0, b.price);
        }
        job.Set.NoRateFlg = c.noRateFlg;
        BlockEngine engine;
        const CRetData ret = RunEngine(engine, job);
        ExpectValidResult(ret, job);
        ASSERT_FALSE(ret.Layouts.empty());
        EXPECT_EQ(ret.Layouts[0].BoardNo, c.chosen);
    }
}

// A layout that places 2 pieces of part 0 and 1 of part 1 whatever remains.
TEST(CalHaichiCalculate, RepeatCountIsTheSmallestQuotientLimitedByTheBoards)
{
    struct Case {
        std::int32_t count0, count1, boards;
        std::int32_t k;
    };
    for (const Case& c :
         {Case{7, 3, 9999, 3}, {7, 3, 2, 2}, {7, 5, 9999, 3}, {4, 9, 9999, 2}, {1, 9, 9999, 0}}) {
        SCOPED_TRACE(std::to_string(c.count0) + "/" + std::to_string(c.count1) + " boards " +
                     std::to_string(c.boards));
        TestJob job;
        job.Parts(100, 100, c.count0).Parts(100, 100, c.count1).Board(1000, 1000, c.boards);
        BlockEngine engine;
        MessageQueue messages;
        engine.Sink = &messages;
        bool first = true;
        engine.Custom = [&first](CCalHaichi& e, const BuzaiLists& remaining, BuzaiLists& left,
                                 COutData& layout, const CalRect&) {
            left = remaining;
            if (!first) {
                return 0;  // only the first board is of interest
            }
            first = false;
            AddBlock(e, layout, left, CHaichi(0, 0, 0, 0, 2, 1, 0));
            AddBlock(e, layout, left, CHaichi(1, 0, 300, 0, 1, 1, 0));
            return 1;
        };
        const CRetData ret = RunEngine(engine, job);
        if (c.k == 0) {
            // 1 piece left of part 0, 2 on the board: the summary disagrees with the counts.
            EXPECT_EQ(messages.TakeAll(), (std::vector<std::string>{"計算エラー発生"}));
            EXPECT_EQ(engine.State, 5);
            EXPECT_EQ(engine.StopRequest, 1);
            EXPECT_TRUE(ret.Layouts.empty());
            continue;
        }
        ASSERT_FALSE(ret.Layouts.empty());
        EXPECT_EQ(ret.Layouts[0].Repeat, c.k);
        std::vector<CAL_BUZAI> unplaced;
        for (const CAL_BUZAI& e : {CAL_BUZAI{0, c.count0 - 2 * c.k, 0}, CAL_BUZAI{1, c.count1 - c.k, 0}}) {
            if (e.Count > 0) {
                unplaced.push_back(e);
            }
        }
        EXPECT_EQ(ret.Unplaced, unplaced);
        EXPECT_TRUE(messages.TakeAll().empty());
        EXPECT_EQ(engine.GetProgress(), 3 * c.k * 100 / (c.count0 + c.count1));
    }
}

TEST(CalHaichiCalculate, SecondaryPiecesLimitTheRepeatCountButNotTheProgress)
{
    TestJob job;
    job.Parts(100, 100, 8).Secondary(50, 50, 3).Board(1000, 1000);
    BlockEngine engine;
    engine.Custom = [](CCalHaichi& e, const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                       const CalRect&) {
        left = remaining;
        if (remaining[0].empty()) {
            return 0;
        }
        AddBlock(e, layout, left, CHaichi(0, 0, 0, 0, 2, 1, 0));
        if (!remaining[1].empty()) {
            AddBlock(e, layout, left, CHaichi(0, 1, 300, 0, 1, 1, 0));
        }
        return 1;
    };
    const CRetData ret = RunEngine(engine, job);
    ExpectValidResult(ret, job);
    EXPECT_EQ(Repeats(ret), (std::vector<std::int32_t>{3, 1}));  // 3 secondary pieces, then 2 parts
    EXPECT_TRUE(engine.LeftYBuzai.empty());
    EXPECT_EQ(engine.State, 3);
    EXPECT_EQ(engine.GetProgress(), 100);
    EXPECT_DOUBLE_EQ(ret.TotalArea - ret.PartsArea, 3 * 2500.0);
}

TEST(CalHaichiCalculate, LeftoverSecondaryPartsKeepTheirCounts)
{
    TestJob job;
    job.Parts(100, 100, 2).Secondary(50, 50, 5).Secondary(60, 60, 1).Board(1000, 1000);
    BlockEngine engine;
    const CRetData ret = RunEngine(engine, job);
    ExpectValidResult(ret, job);
    EXPECT_EQ(engine.LeftYBuzai, (std::vector<CAL_BUZAI>{{0, 5, 1}, {1, 1, 1}}));
}

TEST(CalHaichiCalculate, BoardStockIsUsedUp)
{
    TestJob job;
    job.Parts(100, 100, 10).Board(200, 200, 2).Board(100, 100, 1).Board(400, 100, 9999);
    job.Set.NoRateFlg = 1;
    BlockEngine engine;
    const CRetData ret = RunEngine(engine, job);
    ExpectValidResult(ret, job);
    // All yields 1: the smallest board first (its one sheet), then both sheets of 200 x 200
    // (the first of two equal candidates), then the last piece on the board left in stock.
    EXPECT_EQ(BoardOrder(ret), (std::vector<std::int32_t>{1, 0, 2}));
    EXPECT_EQ(Repeats(ret), (std::vector<std::int32_t>{1, 2, 1}));
    EXPECT_EQ(PiecesPerBoard(ret), (std::vector<std::int32_t>{1, 4, 1}));
}

TEST(CalHaichiCalculate, TotalsAreComputedAtTheEnd)
{
    TestJob job;
    job.Parts(100, 100, 6).Board(200, 300, 9999, 0, 600);
    BlockEngine engine;
    const CRetData ret = RunEngine(engine, job);
    EXPECT_DOUBLE_EQ(ret.PartsArea, 60000.0);
    EXPECT_DOUBLE_EQ(ret.BoardArea, 60000.0);
    EXPECT_EQ(ret.TotalPrice, 600);
    EXPECT_EQ(ret.GenbanList, &job.Genban);
}

// Fewer patterns. The strategy places min(count, cap) pieces of every list-0 entry, each as a
// block in a column of its own; the caps are per part number.
TEST(CalHaichiLayoutBoardBest, DivisorsInOrderWithTheirStopRules)
{
    struct Case {
        const char* name;
        std::vector<std::int32_t> counts;
        std::vector<std::int32_t> caps;
        std::int32_t side1;  // part 1 is side1 x side1
        std::int32_t boards;
        std::vector<std::int32_t> firstCounts;  // part 0's count in each LayoutBoard call
    };
    const Case cases[] = {
        {"every divisor up to the first part's count", {6, 60}, {4, 0}, 100, 9999, {6, 3, 2, 1, 1, 1}},
        {"limited by the boards available", {6, 60}, {4, 0}, 100, 3, {6, 3, 2}},
        {"stops when the reduced area is not greater", {6, 6}, {4, 0}, 100, 9999, {6, 3}},
        {"same reduced arrays are not laid again", {7, 7}, {4, 0}, 1000, 9999, {7, 3, 2, 1}},
        {"skips divisors that cannot change the layout", {6, 60}, {1, 0}, 100, 9999, {6}},
        {"an entry reduced to 0 below its placed pieces counts", {6, 1}, {1, 1}, 100, 9999, {6, 3}},
        {"a first count below 2 tries nothing", {1, 60}, {1, 0}, 100, 9999, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob job;
        job.Parts(100, 100, c.counts[0]).Parts(c.side1, c.side1, c.counts[1]);
        job.Board(100000, 100000, c.boards);
        job.Set.UseSmallPat = 1;
        BlockEngine engine;
        job.Prepare(engine);
        const std::vector<std::int32_t> caps = c.caps;
        engine.Custom = [caps](CCalHaichi& e, const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                               const CalRect&) {
            left = remaining;
            int placed = 0;
            for (const CAL_BUZAI& entry : remaining[0]) {
                const std::int32_t n = std::min(entry.Count, caps.at(static_cast<std::size_t>(entry.Number)));
                if (n > 0) {
                    AddBlock(e, layout, left, CHaichi(entry.Number, 0, entry.Number * 20000, 0, n, 1, 0));
                }
                placed += n;
            }
            return placed > 0 ? 1 : 0;
        };
        COutData layout;
        BuzaiLists left;
        const CalRect rect{0, 0, 100000, 100000};
        EXPECT_EQ(engine.LayoutBoardBest(c.boards, engine.CalData.Buzai, left, layout, rect), 1);
        std::vector<std::int32_t> firstCounts;
        for (const BuzaiLists& call : engine.Calls) {
            firstCounts.push_back(call[0].empty() ? 0 : call[0][0].Count);
        }
        EXPECT_EQ(firstCounts, c.firstCounts);
    }
}

// The strategy lays the whole count when it is 3 or less, else a single piece: on counts ÷ 2 it
// finds the better board, which then repeats on 2 boards.
TEST(CalHaichiLayoutBoardBest, BetterReducedLayoutReplacesTheFirst)
{
    struct Case {
        int useSmallPat;
        std::vector<std::int32_t> repeats;
    };
    for (const Case& c : {Case{1, {2}}, {0, {1, 5}}}) {
        SCOPED_TRACE(c.useSmallPat);
        TestJob job;
        job.Parts(100, 100, 6).Parts(100, 100, 2).Board(10000, 10000);
        job.Set.UseSmallPat = c.useSmallPat;
        BlockEngine engine;
        engine.Custom = [](CCalHaichi& e, const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                           const CalRect&) {
            left = remaining;
            for (const CAL_BUZAI& entry : remaining[0]) {
                const std::int32_t n = entry.Count <= 3 ? entry.Count : 1;
                AddBlock(e, layout, left, CHaichi(entry.Number, 0, entry.Number * 2000, 0, n, 1, 0));
            }
            return remaining[0].empty() ? 0 : 1;
        };
        const CRetData ret = RunEngine(engine, job);
        ExpectValidResult(ret, job);
        EXPECT_EQ(Repeats(ret), c.repeats);
    }
}

TEST(CalHaichiIsBetter, AreasThenWhatIsLeftEntryByEntry)
{
    struct Case {
        const char* name;
        double partsA, totalA, partsB, totalB;
        BuzaiLists leftA, leftB;
        int better;
    };
    const BuzaiLists some{{{{1, 2, 0}, {3, 4, 0}}, {{5, 1, 1}}}};
    const Case cases[] = {
        {"B more parts area", 100, 200, 101, 150, some, some, 1},
        {"B less parts area", 101, 150, 100, 200, some, some, 0},
        {"parts areas within the tolerance, B more total", 100 + 1e-10, 200, 100, 201, some, some, 1},
        {"equal parts, B less total", 100, 201, 100, 200, some, some, 0},
        {"equal areas and lists", 100, 200, 100, 200, some, some, 0},
        {"A leaves a later part number", 100, 200, 100, 200, {{{{2, 9, 0}}, {}}}, {{{{1, 1, 0}}, {}}}, 1},
        {"A leaves an earlier part number", 100, 200, 100, 200, {{{{1, 1, 0}}, {}}}, {{{{2, 1, 0}}, {}}}, 0},
        {"same part, A leaves fewer", 100, 200, 100, 200, {{{{1, 1, 0}}, {}}}, {{{{1, 2, 0}}, {}}}, 1},
        {"same part, A leaves more", 100, 200, 100, 200, {{{{1, 3, 0}}, {}}}, {{{{1, 2, 0}}, {}}}, 0},
        {"B leaves fewer entries",
         100,
         200,
         100,
         200,
         {{{{1, 1, 0}, {2, 1, 0}}, {}}},
         {{{{1, 1, 0}}, {}}},
         0},
        {"A leaves fewer entries",
         100,
         200,
         100,
         200,
         {{{{1, 1, 0}}, {}}},
         {{{{1, 1, 0}, {2, 1, 0}}, {}}},
         0},
        {"parts equal, secondary parts decide",
         100,
         200,
         100,
         200,
         {{{{1, 1, 0}}, {{4, 1, 1}}}},
         {{{{1, 1, 0}}, {{4, 2, 1}}}},
         1},
        {"parts decide before secondary parts",
         100,
         200,
         100,
         200,
         {{{{1, 3, 0}}, {{4, 1, 1}}}},
         {{{{1, 2, 0}}, {{4, 2, 1}}}},
         0},
    };
    BlockEngine engine;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        COutData a, b;
        a.PartsArea = c.partsA;
        a.TotalArea = c.totalA;
        b.PartsArea = c.partsB;
        b.TotalArea = c.totalB;
        EXPECT_EQ(engine.IsBetter(a, c.leftA, b, c.leftB), c.better);
        // A prefix both lists hold the same changes nothing, however long it is.
        BuzaiLists leftA = c.leftA, leftB = c.leftB;
        for (std::size_t list = 0; list < 2; ++list) {
            const std::vector<CAL_BUZAI> prefix{{7, 1, 0}, {8, 2, 0}};
            leftA[list].insert(leftA[list].begin(), prefix.begin(), prefix.end());
            leftB[list].insert(leftB[list].begin(), prefix.begin(), prefix.end());
        }
        for (const std::array<std::size_t, 2>& same :
             {std::array<std::size_t, 2>{0, 0}, {2, 0}, {0, 2}, {2, 2}}) {
            EXPECT_EQ(engine.IsBetterAfter(a, leftA, b, leftB, same), c.better) << same[0] << ", " << same[1];
        }
    }
}

TEST(CalHaichi, StopRequestFromAnotherThreadEndsWithState5)
{
    TestJob job;
    job.Parts(100, 100, 4).Parts(100, 100, 4).Board(1000, 1000);
    BlockEngine engine;
    std::atomic<int> entered{0};
    engine.MaxPieces = 1;
    engine.Custom = [&entered](CCalHaichi& e, const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                               const CalRect& rect) {
        const int result = FirstBlock(e, remaining, left, layout, rect, 4);
        if (remaining[0].front().Number == 1) {  // part 0 is laid out: wait for the stop
            entered = 1;
            while (!e.StopRequest) {
                std::this_thread::yield();
            }
        }
        return result;
    };
    job.Prepare(engine);
    engine.Running = 1;
    std::thread worker([&engine] { engine.Calculate(); });
    while (!entered) {
        std::this_thread::yield();
    }
    const int progress = engine.GetProgress();
    engine.StopRequest = 1;
    worker.join();
    EXPECT_EQ(progress, 50);
    EXPECT_EQ(engine.State, 5);
    EXPECT_EQ(engine.Running, 0);
    EXPECT_EQ(engine.Ret.Layouts.size(), 1u);
}

TEST(CalHaichi, ProgressCountsPlacedPartsOnly)
{
    TestJob job;
    job.Parts(100, 100, 3).Parts(100, 100, 1).Secondary(10, 10, 50).Board(1000, 1000);
    BlockEngine engine;
    std::vector<int> seen;
    engine.Custom = [&seen](CCalHaichi& e, const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                            const CalRect& rect) {
        seen.push_back(e.GetProgress());
        return FirstBlock(e, remaining, left, layout, rect, 1);
    };
    RunEngine(engine, job);
    // 1 piece per board: 3 boards of part 0 (one pattern, repeat 3), then part 1.
    EXPECT_EQ(seen, (std::vector<int>{0, 75}));
    EXPECT_EQ(engine.GetProgress(), 100);
}

TEST(CalHaichi, ResetAndConfigure)
{
    struct Case {
        int useYBuzai, use2ko1;
        int improve;
    };
    for (const Case& c : {Case{0, 1, 1}, {1, 1, 0}, {0, 0, 0}, {1, 0, 0}}) {
        TestJob job;
        job.Set.UseYBuzai = c.useYBuzai;
        job.Set.Use2ko1 = c.use2ko1;
        job.Set.NokoHaba = 45;
        job.Set.MaxCutSize = 12345;
        BlockEngine engine;
        engine.State = 4;
        engine.StopRequest = 1;
        engine.Running = 1;
        engine.SetProgress(77);
        engine.Reset();
        engine.Configure(job.Set, job.Buzai, job.YBuzai, job.Genban);
        EXPECT_EQ(engine.Improve, c.improve);
        EXPECT_EQ(engine.NokoHaba, 45);
        EXPECT_EQ(engine.MaxCutSize, 12345);
        EXPECT_EQ(engine.State, 0);
        EXPECT_EQ(engine.StopRequest, 0);
        EXPECT_EQ(engine.Running, 0);
        EXPECT_EQ(engine.GetProgress(), 0);
    }
}

TEST(CalHaichi, NumbersOutsideTheListsAreInternalErrors)
{
    TestJob job;
    job.Parts(100, 100, 1).Board(1000, 1000);
    BlockEngine engine;
    job.Prepare(engine);
    EXPECT_THROW(engine.Part(0, 1), CalcError);
    EXPECT_THROW(engine.Part(1, 0), CalcError);
    EXPECT_THROW(engine.Part(2, 0), CalcError);
    EXPECT_THROW(engine.Board(-1), CalcError);
    EXPECT_NO_THROW(engine.Part(0, 0));

    // A board number the list does not have, tried first.
    engine.CalData.Genban[0].insert(engine.CalData.Genban[0].begin(), CAL_GENBAN{7, 1, 0});
    engine.Running = 1;
    EXPECT_THROW(engine.Calculate(), CalcError);
    EXPECT_EQ(engine.Running, 0);
}

namespace {

// A constructed layout of part 0 (100 x 100) in rows of 10 from the board's corner.
COutData Rows(const CCalHaichi& engine, std::int32_t board, std::int32_t pieces, std::int32_t repeat)
{
    COutData layout;
    layout.BoardNo = board;
    layout.Repeat = repeat;
    layout.Blocks = {CHaichi(0, 0, 0, 0, 10, pieces / 10, 0)};
    layout.PartsArea = layout.TotalArea = 10000.0 * pieces;
    layout.Finish(engine.Board(board));
    return layout;
}

// A layout Rows makes.
struct RowsLayout {
    std::int32_t board, pieces, repeat;
};

using ImprovementPass = void (CCalHaichi::*)(CCalHaichi&, GenbanLists&, std::vector<CAL_BUZAI>&);

// Prepares the engine on the job, gives it the layouts as its result and runs the pass on them
// with an auxiliary engine of its own making; the board entries as the pass leaves them.
GenbanLists RunPass(BlockEngine& engine, const TestJob& job, std::initializer_list<RowsLayout> layouts,
                    ImprovementPass pass)
{
    job.Prepare(engine);
    engine.Ret.GenbanList = &job.Genban;
    std::vector<COutData> made;
    for (const RowsLayout& l : layouts) {
        made.push_back(Rows(engine, l.board, l.pieces, l.repeat));
    }
    engine.Ret.Layouts = made;
    std::unique_ptr<CCalHaichi> aux = engine.CreateInstance();
    GenbanLists boards = engine.CalData.Genban;
    std::vector<CAL_BUZAI> leftover;
    (engine.*pass)(*aux, boards, leftover);
    return boards;
}

}  // namespace

// Board 0 and board 1: 1000 x 1000, 100 pieces of 100 x 100 each.
// W: 10 pieces on 2 boards; P: 40 pieces on 3 boards. W takes 2 × P's pieces (90) on one board
// (repeated once: 3 ÷ 2), then the 10 left over take one P (50).
TEST(CalHaichiImproveWorstBoard, WorstBoardTakesInCopiesOfAPartner)
{
    struct Case {
        const char* name;
        std::int32_t partnerPriority;
        int noUsenFlg;
        std::vector<std::int32_t> pieces, repeats;
    };
    const Case cases[] = {
        {"partner on a 標準 board", 0, 0, {90, 50}, {1, 1}},
        {"partner on a 最優先 board: only it may take in W", 2, 0, {40, 60}, {2, 1}},
        {"priority ignored", 2, 1, {90, 50}, {1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob job;
        job.Parts(100, 100, 140).Board(1000, 1000).Board(1000, 1000, 9999, c.partnerPriority);
        job.Set.NoUsenFlg = c.noUsenFlg;
        BlockEngine engine;
        const GenbanLists boards =
            RunPass(engine, job, {{0, 10, 2}, {1, 40, 3}}, &CCalHaichi::ImproveWorstBoard);
        EXPECT_EQ(PiecesPerBoard(engine.Ret), c.pieces);
        EXPECT_EQ(Repeats(engine.Ret), c.repeats);
        EXPECT_EQ(PlacedPieces(engine.Ret), 140);
        EXPECT_EQ(boards, engine.CalData.Genban);  // no stock taken
    }
}

// Boards 0 and 1: 1000 x 1000 (100 pieces), board 1 the dearer. W (10 pieces, 3 sheets) takes in
// P1 (50, board 1: the larger gain) before P2 (40); on its second sheet the same attempt with P2
// comes again and is answered from the auxiliary engine's memo: it must give W + P2's layout
// (50), not the last one laid out (W + P1, 60). On its third sheet W takes in that 60, again an
// attempt made before.
TEST(CalHaichiImproveWorstBoard, AnAttemptThatComesAgainGivesItsOwnLayout)
{
    TestJob job;
    job.Parts(100, 100, 120).Board(1000, 1000, 9999, 0, 1000).Board(1000, 1000, 9999, 0, 2000);
    BlockEngine engine;
    RunPass(engine, job, {{0, 10, 3}, {0, 40, 1}, {1, 50, 1}}, &CCalHaichi::ImproveWorstBoard);
    EXPECT_EQ(PiecesPerBoard(engine.Ret), (std::vector<std::int32_t>{50, 70}));
    EXPECT_EQ(Repeats(engine.Ret), (std::vector<std::int32_t>{1, 1}));
    EXPECT_EQ(PlacedPieces(engine.Ret), 120);
}

// Boards: 0 is 1000 x 1000 (100 pieces), 1 is 1000 x 1500 (150 pieces, 1 sheet in stock).
// Four single boards of 60, 50, 60, 50 pieces: two of them fit board 1 only, and only once.
TEST(CalHaichiMergeBoardPairs, TwoBoardsBecomeOneLargerBoardWhileInStock)
{
    TestJob job;
    job.Parts(100, 100, 220).Board(1000, 1000).Board(1000, 1500, 1);
    BlockEngine engine;
    const GenbanLists boards =
        RunPass(engine, job, {{0, 60, 1}, {0, 50, 1}, {0, 60, 1}, {0, 50, 1}}, &CCalHaichi::MergeBoardPairs);
    // The worst (the first 50) merged with the first partner (60) on board 1.
    EXPECT_EQ(BoardOrder(engine.Ret), (std::vector<std::int32_t>{0, 0, 1}));
    EXPECT_EQ(PiecesPerBoard(engine.Ret), (std::vector<std::int32_t>{60, 50, 110}));
    EXPECT_EQ(boards[0].at(1).Count, 0);
}

TEST(CalHaichiMergeBoardPairs, LayoutsCutOnSeveralBoardsStayAsTheyAre)
{
    TestJob job;
    job.Parts(100, 100, 220).Board(1000, 1000).Board(1000, 1500, 5);
    BlockEngine engine;
    RunPass(engine, job, {{0, 60, 2}, {0, 50, 2}}, &CCalHaichi::MergeBoardPairs);
    EXPECT_EQ(Repeats(engine.Ret), (std::vector<std::int32_t>{2, 2}));
    EXPECT_TRUE(engine.Calls.empty());
}

// 110 pieces: the loop lays 100 on board 0 and 10 on another board 0; the pair merge puts all
// 110 on the one sheet of board 1.
TEST(CalHaichiCalculate, ImprovementPassesRunOnlyWhenAskedFor)
{
    struct Case {
        int use2ko1, useYBuzai;
        std::vector<std::int32_t> boards;
    };
    for (const Case& c : {Case{1, 0, {1}}, {0, 0, {0, 0}}, {1, 1, {0, 0}}}) {
        SCOPED_TRACE(std::to_string(c.use2ko1) + std::to_string(c.useYBuzai));
        TestJob job;
        job.Parts(100, 100, 110).Board(1000, 1000).Board(1000, 1500, 1);
        job.Set.NoRateFlg = 1;
        job.Set.Use2ko1 = c.use2ko1;
        job.Set.UseYBuzai = c.useYBuzai;
        BlockEngine engine;
        const CRetData ret = RunEngine(engine, job);
        ExpectValidResult(ret, job);
        EXPECT_EQ(BoardOrder(ret), c.boards);
        EXPECT_EQ(engine.State, 3);
        EXPECT_DOUBLE_EQ(ret.BoardArea, c.boards.size() == 1 ? 1.5e6 : 2e6);
    }
}
