// The lower bounds of a group against exact optima of small jobs and against engine results.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "calc/CalcRun.h"
#include "calc/GroupBounds.h"
#include "calc/JobGenerator.h"
#include "calc/TestJob.h"
#include "calc/engines/Cal2.h"
#include "calc/engines/Engines.h"
#include "fakes/RecordingPrompt.h"
#include "result/ResultJson.h"
#include "result/RetData.h"

using lowerbound::BoardKind;
using lowerbound::Piece;

namespace {

// ---- An exact solver for a few pieces, for the test only ----------------------------------
// A packing with the kerf between pieces is a packing of pieces (w + k) x (h + k) in a board
// (W + k) x (H + k); every packing can be pushed left and down until each piece touches the
// border or another piece, so the positions worth trying are sums of other pieces' sides.

struct Placed {
    std::int64_t x, y, w, h;
};

bool PlaceRest(const std::vector<Piece>& pieces, std::vector<std::size_t>& left, std::vector<Placed>& placed,
               std::int64_t W, std::int64_t H, std::int64_t k)
{
    if (left.empty()) {
        return true;
    }
    const std::size_t i = left.back();
    left.pop_back();
    std::vector<std::int64_t> xs{0};
    std::vector<std::int64_t> ys{0};
    for (const Placed& p : placed) {
        xs.push_back(p.x + p.w);
        ys.push_back(p.y + p.h);
    }
    const Piece& piece = pieces[i];
    const int turns = piece.NoTurn || piece.Width == piece.Height ? 1 : 2;
    for (int t = 0; t < turns; ++t) {
        const std::int64_t w = (t == 0 ? piece.Width : piece.Height) + k;
        const std::int64_t h = (t == 0 ? piece.Height : piece.Width) + k;
        for (std::int64_t x : xs) {
            for (std::int64_t y : ys) {
                if (x + w > W || y + h > H) {
                    continue;
                }
                const bool free = std::none_of(placed.begin(), placed.end(), [&](const Placed& p) {
                    return x < p.x + p.w && p.x < x + w && y < p.y + p.h && p.y < y + h;
                });
                if (!free) {
                    continue;
                }
                placed.push_back({x, y, w, h});
                if (PlaceRest(pieces, left, placed, W, H, k)) {
                    return true;
                }
                placed.pop_back();
            }
        }
    }
    left.push_back(i);
    return false;
}

// Whether the pieces of `mask` (one piece each) fit one board together.
bool FitsTogether(const std::vector<Piece>& pieces, unsigned mask, const BoardKind& board, std::int32_t k)
{
    std::vector<std::size_t> left;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (mask & (1u << i)) {
            left.push_back(i);
        }
    }
    std::vector<Placed> placed;
    return PlaceRest(pieces, left, placed, board.Width + k, board.Height + k, k);
}

struct Optimum {
    std::int64_t Boards = std::numeric_limits<std::int64_t>::max();
    std::int64_t Price = std::numeric_limits<std::int64_t>::max();
};

// The fewest boards and the least price over every assignment of the pieces to boards.
void Assign(const std::vector<Piece>& pieces, const std::vector<BoardKind>& boards, std::int32_t k,
            unsigned left, std::vector<std::int64_t>& stock, std::int64_t used, std::int64_t price,
            Optimum& best)
{
    if (left == 0) {
        best.Boards = std::min(best.Boards, used);
        best.Price = std::min(best.Price, price);
        return;
    }
    const unsigned low = left & (~left + 1);
    const unsigned rest = left & ~low;
    for (unsigned sub = rest;; sub = (sub - 1) & rest) {
        const unsigned mask = sub | low;
        for (std::size_t b = 0; b < boards.size(); ++b) {
            if (stock[b] != 0 && FitsTogether(pieces, mask, boards[b], k)) {
                --stock[b];
                Assign(pieces, boards, k, left & ~mask, stock, used + 1, price + boards[b].Price, best);
                ++stock[b];
            }
        }
        if (sub == 0) {
            break;
        }
    }
}

Optimum Exact(const std::vector<Piece>& pieces, const std::vector<BoardKind>& boards, std::int32_t k)
{
    std::vector<Piece> single;  // one entry a piece
    for (const Piece& p : pieces) {
        for (std::int64_t c = 0; c < p.Count; ++c) {
            single.push_back({p.Width, p.Height, p.NoTurn, 1});
        }
    }
    std::vector<std::int64_t> stock;
    for (const BoardKind& b : boards) {
        stock.push_back(b.Stock < 0 ? 99 : b.Stock);
    }
    Optimum best;
    Assign(single, boards, k, (1u << single.size()) - 1, stock, 0, 0, best);
    return best;
}

}  // namespace

TEST(GroupBounds, TwoPiecesShareABoardOnlyWithTheKerfBetweenThem)
{
    struct Case {
        Piece a, b;
        BoardKind board;
        std::int32_t kerf;
        bool share;
    };
    const Case cases[] = {
        {{500, 300, false, 1}, {500, 300, false, 1}, {1000, 300}, 0, true},     // side by side, touching
        {{500, 300, false, 1}, {500, 300, false, 1}, {1000, 300}, 1, false},    // no room for the kerf
        {{500, 300, false, 1}, {495, 300, false, 1}, {1000, 300}, 5, true},     // exactly the kerf
        {{300, 500, false, 1}, {500, 300, false, 1}, {1000, 300}, 0, true},     // a turns
        {{300, 500, true, 1}, {500, 300, false, 1}, {1000, 300}, 0, false},     // a may not turn
        {{300, 600, true, 1}, {300, 600, true, 1}, {1000, 1200}, 0, true},      // across the length
        {{300, 600, true, 1}, {300, 600, true, 1}, {1000, 1199}, 0, true},      // beside each other
        {{600, 700, true, 1}, {600, 700, true, 1}, {1000, 1200}, 0, false},     // neither way
        {{600, 700, false, 1}, {600, 700, false, 1}, {1000, 1199}, 0, false},   // turned neither
        {{600, 500, false, 1}, {600, 600, false, 1}, {1000, 1200}, 100, true},  // 500 + 100 + 600
        {{600, 500, false, 1}, {600, 600, false, 1}, {1000, 1200}, 101, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.a.Width << "x" << c.a.Height << " + " << c.b.Width << "x" << c.b.Height << " on "
                     << c.board.Width << "x" << c.board.Height << " kerf " << c.kerf);
        EXPECT_EQ(lowerbound::CanShare(c.a, c.b, c.board, c.kerf), c.share);
        EXPECT_EQ(lowerbound::CanShare(c.b, c.a, c.board, c.kerf), c.share);
    }
}

TEST(GroupBounds, LeastCoverPriceMatchesEveryCountOfEveryKind)
{
    // Area and count covered by board counts x1, x2, x3 up to their stock, cheapest found by
    // enumeration; the search must find the same (it is small enough not to be cut short).
    Dice dice(7);
    for (int round = 0; round < 300; ++round) {
        std::vector<BoardKind> kinds;
        const int n = dice.Between(1, 3);
        for (int i = 0; i < n; ++i) {
            kinds.push_back({dice.Between(4, 9) * 10, dice.Between(4, 9) * 10, dice.Between(0, 50),
                             dice.Chance(30) ? -1 : dice.Between(0, 6)});
        }
        const std::int32_t kerf = dice.Between(0, 3);
        const __int128 area = dice.Between(1, 20000);  // at most 13 boards: the 30 tried suffice
        const std::int64_t count = dice.Between(0, 6);
        std::int64_t best = -1;
        std::vector<std::int64_t> x(3, 0);
        auto most = [&](int i) { return i < n ? (kinds[i].Stock < 0 ? 30 : kinds[i].Stock) : 0; };
        for (x[0] = 0; x[0] <= most(0); ++x[0]) {
            for (x[1] = 0; x[1] <= most(1); ++x[1]) {
                for (x[2] = 0; x[2] <= most(2); ++x[2]) {
                    __int128 a = 0;
                    std::int64_t boards = 0, price = 0;
                    for (int i = 0; i < n; ++i) {
                        a += static_cast<__int128>(kinds[i].Width + kerf) * (kinds[i].Height + kerf) * x[i];
                        boards += x[i];
                        price += kinds[i].Price * x[i];
                    }
                    if (a >= area && boards >= count && (best < 0 || price < best)) {
                        best = price;
                    }
                }
            }
        }
        SCOPED_TRACE("round " + std::to_string(round));
        EXPECT_EQ(lowerbound::LeastCoverPrice(kinds, kerf, area, count), best);
    }
}

TEST(GroupBounds, NeverAboveTheOptimumOfSmallJobs)
{
    // Up to six pieces on one to two board kinds with trims folded into the sizes, kerf, turns
    // and stock; the exact optimum by trying every assignment of pieces to boards.
    int tight = 0;
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        Dice dice(seed);
        std::vector<BoardKind> boards;
        const int kinds = dice.Between(1, 2);
        for (int i = 0; i < kinds; ++i) {
            boards.push_back({dice.Between(40, 120), dice.Between(40, 120), dice.Between(1, 9) * 100,
                              dice.Chance(50) ? -1 : dice.Between(1, 4)});
        }
        std::vector<Piece> pieces;
        int total = 0;
        const int parts = dice.Between(1, 4);
        for (int i = 0; i < parts && total < 6; ++i) {
            const int count = std::min(dice.Between(1, 3), 6 - total);
            pieces.push_back({dice.Between(10, 90), dice.Between(10, 90), dice.Chance(30), count});
            total += count;
        }
        const std::int32_t kerf = dice.Pick(std::vector<std::int32_t>{0, 1, 3, 7});
        const lowerbound::Bound bound = lowerbound::BoundGroup(pieces, boards, kerf);
        std::vector<Piece> fit;
        for (const Piece& p : pieces) {
            if (std::any_of(boards.begin(), boards.end(),
                            [&](const BoardKind& b) { return lowerbound::Fits(p, b); })) {
                fit.push_back(p);
            }
        }
        const Optimum best = Exact(fit, boards, kerf);
        if (best.Boards == std::numeric_limits<std::int64_t>::max()) {
            continue;  // the stock cannot hold them: no layout to compare with
        }
        SCOPED_TRACE("seed " + std::to_string(seed) + " kerf " + std::to_string(kerf));
        EXPECT_LE(bound.Boards, best.Boards);
        EXPECT_LE(bound.Price, best.Price);
        tight += bound.Boards == best.Boards ? 1 : 0;
    }
    EXPECT_GT(tight, 250);  // the bound is worth showing: it meets most of these optima
}

TEST(GroupBounds, LeavesOutPiecesNoBoardHolds)
{
    const std::vector<BoardKind> boards = {{1000, 500, 3000, -1}};
    const std::vector<Piece> pieces = {{1200, 100, false, 2}, {600, 400, true, 3}, {400, 600, true, 1}};
    const lowerbound::Bound bound = lowerbound::BoundGroup(pieces, boards, 0);
    EXPECT_EQ(bound.Unplaceable, 3);  // 1200 long, and 400 x 600 that may not turn
    EXPECT_EQ(bound.Boards, 3);       // 600 x 400 pieces: no two on a 1000 x 500 board
    EXPECT_EQ(bound.Price, 9000);
}

TEST(GroupBounds, NeverAboveTheResultOfGeneratedJobs)
{
    int compared = 0;
    for (std::uint32_t seed = 1; seed <= 120; ++seed) {
        const TestJob job = GenerateJob(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(job));
        JobRun run = RunEveryGroup(job, [] { return std::make_unique<CCal2>(); });
        run.Ret.Bound = ComputeBound(run.Ret, job.Set);
        ASSERT_TRUE(run.Ret.Bound.Made);
        for (const GroupBound& group : run.Ret.Bound.Groups) {
            const BoundGap gap = GroupGap(run.Ret, group);
            if (gap.Incomplete) {
                continue;
            }
            ++compared;
            EXPECT_LE(group.Boards, gap.ResultBoards) << group.Kind << "/" << group.Thickness;
            EXPECT_LE(group.Price, gap.ResultPrice) << group.Kind << "/" << group.Thickness;
            EXPECT_GE(*gap.Gap, 0.0);
        }
    }
    EXPECT_GT(compared, 100);
}

TEST(GroupBounds, TheRunKeepsTheBoundAndTheJsonShowsItOnlyWhenAsked)
{
    // 4 pieces 600 x 600 on 1000 x 1000 boards: no two share one, 4 boards of 500 yen.
    TestJob job = TestJob().Board(1000, 1000, 9999, 0, 500).Parts(600, 600, 4).Parts(2000, 100, 1);
    job.Set.TimeDisp = 0;
    RecordingPrompt prompt;
    CRetData ret;
    CalcRun run(job.Buzai, job.YBuzai, job.Genban, job.Set,
                [](const EngineVariant& v) { return MakeEngine(v); });
    ASSERT_EQ(run.RunToEnd(ret, prompt, nullptr), CalcRun::Outcome::Placed);
    ASSERT_TRUE(ret.Bound.Made);
    ASSERT_EQ(ret.Bound.Groups.size(), 1u);
    EXPECT_EQ(ret.Bound.Boards(), 4);
    EXPECT_EQ(ret.Bound.Price(), 2000);
    EXPECT_EQ(ret.Bound.Unplaceable(), 1);
    EXPECT_EQ(BoundText(ret), "下限 4 枚 2,000円（最適）　どの原板にも入らない部材 1 枚は除く");
    EXPECT_EQ(ResultToJson(ret).find("\"bound\""), std::string::npos);
    const std::string json = ResultToJson(ret, nullptr, nullptr, &ret.Bound);
    EXPECT_NE(
        json.find("\"bound\": {\"boards\": 4, \"price\": 2000, \"gap\": 0, \"optimal\": true, "
                  "\"unplaceable\": 1, \"groups\": [{\"kind\": \"\", \"thickness\": 100, \"boards\": 4"),
        std::string::npos)
        << json;
}

TEST(GroupBounds, TextSaysTheGapOrWhyThereIsNone)
{
    // One board of 1000 yen holds the job; the result below is set by hand.
    TestJob job = TestJob().Board(1000, 1000, 9999, 0, 1000).Parts(400, 400, 2);
    CRetData ret;
    const std::vector<CCalData> groups = job.Groups(ret);
    ret.Bound = ComputeBound(ret, job.Set);
    COutData layout;
    layout.BoardNo = 0;
    layout.Repeat = 2;
    ret.Layouts.push_back(layout);
    EXPECT_EQ(BoundText(ret), "下限 1 枚 1,000円（差 50.0%）");
    ret.Unplaced.push_back({0, 1, 0});
    EXPECT_EQ(BoundText(ret), "下限 1 枚 1,000円（配置できなかった部材があり比べられません）");
}
