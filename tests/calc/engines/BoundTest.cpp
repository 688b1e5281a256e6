#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "calc/JobGenerator.h"
#include "calc/engines/Cal1.h"
#include "result/ResultJson.h"

namespace {

// A block engine that adds the attempts its bound left out and the fills its memo answered to
// two counters as it goes.
template <class Engine>
class Counting : public Engine {
public:
    Counting(std::int64_t& cutOffs, std::int64_t& hits) : m_cutOffs(cutOffs), m_hits(hits) {}
    ~Counting() override
    {
        m_cutOffs += this->BoundCutOffs();
        m_hits += this->SubFillMemoHits();
    }

private:
    std::int64_t& m_cutOffs;
    std::int64_t& m_hits;
};

struct Variant {
    const char* name;
    int candidate;
    int area;
};

const Variant kBlockVariants[] = {
    {"candidate 0 area 0", 0, 0},
    {"candidate 1 area 0", 1, 0},
    {"candidate 1 area 1", 1, 1},
};

std::unique_ptr<CCalHaichi> MakeBlocks(const Variant& variant, bool bound, bool memo, std::int64_t& cutOffs,
                                       std::int64_t& hits)
{
    auto engine = std::make_unique<Counting<CCal1>>(cutOffs, hits);
    engine->CandidateFlag = variant.candidate;
    engine->AreaFlag = variant.area;
    engine->UseBound = bound;
    engine->UseMemo = memo;
    return engine;
}

}  // namespace

// Leaving out what cannot win and answering fills from the memo change nothing: whole runs of
// generated jobs (kerf, trims, limits, NoTurn, secondary parts, stock, improvement passes) are the
// same byte for byte with each and both, and without them.
TEST(Bound, BlockEngineRunsComeOutTheSameWithAndWithoutTheBoundAndTheMemo)
{
    for (const Variant& variant : kBlockVariants) {
        std::int64_t cutOffs[4] = {}, hits[4] = {};
        for (std::uint32_t seed = 1; seed <= 60; ++seed) {
            SCOPED_TRACE(std::string(variant.name) + ", seed " + std::to_string(seed));
            const TestJob job = GenerateJob(seed);
            const JobRun plain =
                RunEveryGroup(job, [&] { return MakeBlocks(variant, false, false, cutOffs[0], hits[0]); });
            for (int c = 1; c < 4; ++c) {
                const bool bound = (c & 1) != 0, memo = (c & 2) != 0;
                SCOPED_TRACE(std::string(bound ? "bound " : "") + (memo ? "memo" : ""));
                const JobRun run =
                    RunEveryGroup(job, [&] { return MakeBlocks(variant, bound, memo, cutOffs[c], hits[c]); });
                ASSERT_EQ(ResultToJson(run.Ret), ResultToJson(plain.Ret)) << DescribeJob(job);
                ASSERT_EQ(run.LeftYBuzai, plain.LeftYBuzai);
                ASSERT_EQ(run.States, plain.States);
            }
        }
        EXPECT_EQ(cutOffs[0] + cutOffs[2], 0) << variant.name;
        EXPECT_EQ(hits[0] + hits[1], 0) << variant.name;
        // Each comparison must have exercised what it compares.
        EXPECT_GT(cutOffs[1], 100) << variant.name;
        EXPECT_GT(cutOffs[3], 100) << variant.name;
        EXPECT_GT(hits[2], 100) << variant.name;
        EXPECT_GT(hits[3], 100) << variant.name;
    }
}

// The bound is never below a layout: rectangles of every size cut from generated jobs' boards,
// laid out without the bound, never place more than it.
TEST(Bound, NoLayoutPlacesMoreThanTheBound)
{
    std::mt19937 random(7);
    int layouts = 0;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const TestJob job = GenerateJob(seed);
        CRetData groups;
        if (job.Groups(groups).empty()) {
            continue;  // nothing to lay out
        }
        CCal1 engine(seed % 2, 0);
        engine.UseBound = 0;
        job.Prepare(engine);
        const BuzaiLists& remaining = engine.CalData.Buzai;
        const double available = engine.PartsAreaOf(remaining[0]);
        for (int i = 0; i < 20; ++i) {
            const CGenban& board = job.Genban.Items.front();
            const auto w = static_cast<std::int32_t>(random() % static_cast<unsigned>(board.Width) + 1);
            const auto h = static_cast<std::int32_t>(random() % static_cast<unsigned>(board.Height) + 1);
            COutData layout;
            BuzaiLists left;
            engine.LayoutBoard(remaining, left, layout, CalRect{0, 0, w, h});
            layouts += layout.Blocks.empty() ? 0 : 1;
            ASSERT_LE(layout.PartsArea, engine.PartsAreaBound(w, h, available))
                << w << " x " << h << ", kerf " << engine.NokoHaba << ", " << DescribeJob(job);
        }
    }
    EXPECT_GT(layouts, 200);
}

TEST(Bound, PartsAreaBoundCases)
{
    struct Case {
        const char* what;
        std::int32_t kerf;
        bool smallPart;  // a 30 x 20 part besides the 100 x 50 one
        int noTurn;      // of the 100 x 50 part
        std::int64_t w, h;
        double available;
        double expected;  // before the rounding up
    };
    const Case cases[] = {
        {"no kerf: the rectangle", 0, false, 0, 1000, 500, 1e12, 500000.0},
        {"no kerf, few pieces: the pieces", 0, false, 0, 1000, 500, 15000.0, 15000.0},
        // Ratio 5000 / (110 x 60), the rectangle widened to 1010 x 510.
        {"kerf", 10, false, 0, 1000, 500, 1e12, 1010.0 * 510.0 * 5000.0 / 6600.0},
        {"kerf: the better ratio of the parts that fit", 10, true, 0, 1000, 500, 1e12,
         1010.0 * 510.0 * 5000.0 / 6600.0},
        // Widened sides 110, 60, 40, 30: no sum of them is 101 to 109.
        {"kerf: only the small part fits", 10, true, 0, 99, 99, 1e12, 100.0 * 100.0 * 600.0 / 1200.0},
        // Sides 100 and 50: nothing wider than 50 fits within 60.
        {"fits only turned", 0, false, 0, 60, 200, 1e12, 50.0 * 200.0},
        {"may not turn: nothing fits", 0, false, 1, 60, 200, 1e12, 0.0},
        {"too small", 0, false, 0, 99, 99, 1e12, 0.0},
        {"nothing left", 0, false, 0, 1000, 500, 0.0, 0.0},
        {"exactly the part's size", 10, true, 0, 100, 50, 1e12, 110.0 * 60.0 * 5000.0 / 6600.0},
        {"one short of the part: the small one", 10, true, 0, 99, 50, 1e12, 100.0 * 60.0 * 600.0 / 1200.0},
        {"turned exactly", 10, true, 0, 50, 100, 1e12, 60.0 * 110.0 * 5000.0 / 6600.0},
        {"may not turn: the small one", 10, true, 1, 50, 100, 1e12, 60.0 * 110.0 * 600.0 / 1200.0},
        {"far beyond every part", 10, true, 0, 100000, 60, 1e12, 100010.0 * 70.0 * 5000.0 / 6600.0},
        // 110 a + 60 b: no sum is 430 or 370.
        {"kerf: sums of the sides short of both", 10, false, 0, 420, 360, 1e12,
         420.0 * 360.0 * 5000.0 / 6600.0},
        {"may not turn: its width across, its height along", 0, false, 1, 260, 140, 1e12, 200.0 * 100.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestJob job = TestJob().Board(2000, 1000).Kerf(c.kerf).Parts(100, 50, 1, c.noTurn);
        if (c.smallPart) {
            job.Parts(30, 20, 1);
        }
        CCal1 engine;
        job.Prepare(engine);
        const double bound = engine.PartsAreaBound(c.w, c.h, c.available);
        EXPECT_GE(bound, c.expected);
        EXPECT_LE(bound, c.expected * (1.0 + 1e-6) + 2.0);
    }
}

// The bound looks the best ratio up in a table by the part sides within the rectangle and the
// longest sums of widened sides within the widened rectangle in tables by length; against the best
// ratio of the parts that fit, found one by one, and the sums found length by length, for random
// parts (some may not turn) and rectangles around their sides. One engine answers every round, its
// tables made and lengthened as the asks come (one past the longest so far among them), and the
// kerf changes halfway through each round: tables of other parts or another kerf must not serve.
// The bound of a board layout (the tables taken at its start, as a board layout after a change
// would) gives the same, asked first so that it is what lengthens the tables.
TEST(Bound, RatioOfTheBestPartThatFitsAsFoundOneByOne)
{
    struct BoardBound : CCal1 {
        using CCal1::BoardPartsAreaBound;
        using CCal1::TakeBoundTables;
    };
    Dice dice(5);
    BoardBound engine;
    for (int round = 0; round < 30; ++round) {
        TestJob job = TestJob().Board(5000, 5000).Kerf(dice.Between(0, 3) * 10);
        const int parts = dice.Between(1, 25);
        for (int p = 0; p < parts; ++p) {
            job.Parts(dice.Between(10, 900), dice.Between(10, 900), 1, dice.Between(0, 3) == 0 ? 1 : 0);
        }
        job.Prepare(engine);
        engine.TakeBoundTables();
        std::int64_t longest = 1;
        // The longest sum of sides widened by the kerf within `length`, one length after another.
        auto longestSum = [&engine](const TestJob& parts, std::int64_t length, bool across) {
            std::vector<bool> reach(static_cast<std::size_t>(length) + 1, false);
            reach[0] = true;
            std::int64_t longest = 0;
            for (std::int64_t x = 1; x <= length; ++x) {
                for (const CBuzai& part : parts.Buzai.Items) {
                    const std::int64_t kerf = engine.NokoHaba;
                    const std::int64_t as = (across ? part.Width : part.Height) + kerf;
                    const std::int64_t turned = (across ? part.Height : part.Width) + kerf;
                    if ((as <= x && reach[static_cast<std::size_t>(x - as)]) ||
                        (part.NoTurn == 0 && turned <= x && reach[static_cast<std::size_t>(x - turned)])) {
                        reach[static_cast<std::size_t>(x)] = true;
                        longest = x;
                        break;
                    }
                }
            }
            return longest;
        };
        for (int ask = 0; ask < 200; ++ask) {
            if (ask == 100) {
                engine.NokoHaba = job.Set.NokoHaba + 20;
                engine.TakeBoundTables();
            }
            const double k = engine.NokoHaba;
            const CBuzai& near = job.Buzai.Items[static_cast<std::size_t>(dice.Between(0, parts - 1))];
            std::int64_t w = ask % 2 ? dice.Between(1, 1000) : near.Width + dice.Between(-1, 1);
            const std::int64_t h = ask % 3 ? dice.Between(1, 1000) : near.Height + dice.Between(-1, 1);
            w = ask % 7 == 0 ? longest + 1 : w;
            longest = std::max({longest, w, h});
            double ratio = 0.0;
            for (const CBuzai& part : job.Buzai.Items) {
                const bool fits = (part.Width <= w && part.Height <= h) ||
                                  (part.NoTurn == 0 && part.Height <= w && part.Width <= h);
                if (fits) {
                    ratio = std::max(ratio, static_cast<double>(part.Width) * part.Height /
                                                ((part.Width + k) * (part.Height + k)));
                }
            }
            const double expected = static_cast<double>(longestSum(job, w + engine.NokoHaba, true)) *
                                    static_cast<double>(longestSum(job, h + engine.NokoHaba, false)) * ratio;
            const double available = ask % 5 ? 1e15 : expected * 0.75;
            const double board = engine.BoardPartsAreaBound(
                CalRect{7, 3, static_cast<std::int32_t>(w + 7), static_cast<std::int32_t>(h + 3)}, available);
            ASSERT_EQ(board, engine.PartsAreaBound(w, h, available)) << "round " << round << ", ask " << ask;
            const double bound = engine.PartsAreaBound(w, h, 1e15);
            ASSERT_GE(bound, expected) << "round " << round << ", " << w << " x " << h;
            ASSERT_LE(bound, expected * (1.0 + 1e-6) + 2.0) << "round " << round << ", " << w << " x " << h;
        }
    }
}
