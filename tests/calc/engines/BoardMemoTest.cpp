#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "calc/JobGenerator.h"
#include "calc/engines/Cal1.h"
#include "calc/engines/Cal3.h"
#include "result/ResultJson.h"

namespace {

// An engine that adds the boards its memo answered to a counter as it goes.
template <class Engine>
class Counting : public Engine {
public:
    explicit Counting(std::int64_t& hits) : m_hits(hits) {}
    ~Counting() override { m_hits += this->BoardMemoHits(); }

private:
    std::int64_t& m_hits;
};

struct Variant {
    const char* name;
    std::function<void(CCalHaichi&)> set;  // the variant's parameters
    bool blocks;                           // CCal1, else CCal3
};

const Variant kVariants[] = {
    {"cal1 candidate 0", [](CCalHaichi&) {}, true},
    {"cal1 candidate 1 area 1",
     [](CCalHaichi& e) {
         auto& cal1 = dynamic_cast<CCal1&>(e);
         cal1.CandidateFlag = 1;
         cal1.AreaFlag = 1;
     },
     true},
    {"cal3 order 2 second 1",
     [](CCalHaichi& e) {
         auto& cal3 = dynamic_cast<CCal3&>(e);
         cal3.Order = 2;
         cal3.SecondFlag = 1;
     },
     false},
    {"cal3 order 0 area 1", [](CCalHaichi& e) { dynamic_cast<CCal3&>(e).AreaFlag = 1; }, false},
};

std::unique_ptr<CCalHaichi> Make(const Variant& variant, bool memo, std::int64_t& hits)
{
    std::unique_ptr<CCalHaichi> engine;
    if (variant.blocks) {
        auto cal1 = std::make_unique<Counting<CCal1>>(hits);
        cal1->UseMemo = memo;
        engine = std::move(cal1);
    } else {
        auto cal3 = std::make_unique<Counting<CCal3>>(hits);
        cal3->Level = 2;
        cal3->UseMemo = memo;
        engine = std::move(cal3);
    }
    variant.set(*engine);
    return engine;
}

// Six parts of 2 to 4 pieces, two of them NoTurn, on one board of 2400 x 1200.
TestJob SixParts()
{
    TestJob job = TestJob().Board(2400, 1200).Kerf(30);
    for (int i = 0; i < 6; ++i) {
        job.Parts(300 + 110 * i, 200 + 70 * (i % 3), 2 + i % 3, i % 4 == 0);
    }
    return job;
}

}  // namespace

// A board laid out again from the memo is the layout the engine would make: whole runs of
// generated jobs (kerf, trims, limits, NoTurn, secondary parts, fewer patterns, improvement
// passes) come out the same byte for byte with the memo and without it.
TEST(BoardMemo, GeneratedJobsComeOutTheSameWithAndWithoutIt)
{
    for (const Variant& variant : kVariants) {
        std::int64_t hits = 0, none = 0;
        for (std::uint32_t seed = 1; seed <= 40; ++seed) {
            SCOPED_TRACE(std::string(variant.name) + ", seed " + std::to_string(seed));
            const TestJob job = FewerParts(GenerateJob(seed));
            const JobRun without = RunEveryGroup(job, [&] { return Make(variant, false, none); });
            const JobRun with = RunEveryGroup(job, [&] { return Make(variant, true, hits); });
            ASSERT_EQ(ResultToJson(with.Ret), ResultToJson(without.Ret)) << DescribeJob(job);
            ASSERT_EQ(with.LeftYBuzai, without.LeftYBuzai);
            ASSERT_EQ(with.States, without.States);
        }
        EXPECT_EQ(none, 0) << variant.name;
        EXPECT_GT(hits, 0) << variant.name
                           << ": the memo was never asked twice, the comparison shows nothing";
    }
}

// The same board asked for again, at another place: the second layout comes from the memo and is
// the first one moved there.
TEST(BoardMemo, ABoardAskedForAgainIsTheSameLayoutAtItsPlace)
{
    const TestJob job = SixParts();
    for (const Variant& variant : kVariants) {
        SCOPED_TRACE(variant.name);
        std::int64_t hits = 0;
        auto engine = Make(variant, true, hits);
        job.Prepare(*engine);
        const BuzaiLists remaining = engine->CalData.Buzai;
        const CalRect places[] = {{0, 0, 2400, 1200}, {50, 70, 2450, 1270}};
        COutData layouts[2];
        BuzaiLists left[2];
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(engine->LayoutBoard(remaining, left[i], layouts[i], places[i]), 1);
        }
        EXPECT_EQ(dynamic_cast<const CCal1*>(engine.get())
                      ? dynamic_cast<const CCal1&>(*engine).BoardMemoHits()
                      : dynamic_cast<const CCal3&>(*engine).BoardMemoHits(),
                  1);
        ASSERT_EQ(layouts[1].Blocks.size(), layouts[0].Blocks.size());
        for (std::size_t b = 0; b < layouts[0].Blocks.size(); ++b) {
            CHaichi moved = layouts[0].Blocks[b];
            moved.X += 50;
            moved.Y += 70;
            EXPECT_EQ(layouts[1].Blocks[b], moved);
        }
        ASSERT_EQ(layouts[1].CutLines.size(), layouts[0].CutLines.size());
        for (std::size_t c = 0; c < layouts[0].CutLines.size(); ++c) {
            const CUTMARK& a = layouts[0].CutLines[c];
            EXPECT_EQ(layouts[1].CutLines[c], (CUTMARK{a.X0 + 50, a.Y0 + 70, a.X1 + 50, a.Y1 + 70}));
        }
        EXPECT_EQ(layouts[1].PartsArea, layouts[0].PartsArea);
        EXPECT_EQ(layouts[1].TotalArea, layouts[0].TotalArea);
        EXPECT_EQ(left[1], left[0]);
    }
}

// A stack layout short of its need (an attempt on fewer parts that cannot beat the best) is the
// board's only for that ask: it is found again by the same need and told parts area only, and the
// board's own layout, once made, answers every ask as before.
TEST(BoardMemo, AStackLayoutShortOfItsNeedIsFoundOnlyByTheSameAsk)
{
    class Asking : public CCal3 {
    public:
        int Ask(double need, double available, const BuzaiLists& remaining, BuzaiLists& left, COutData& layout)
        {
            m_need = LayoutNeed{need, available};
            return LayoutBoard(remaining, left, layout, CalRect{0, 0, 2400, 1200});
        }
        double AllParts(const BuzaiLists& lists) const { return PartsAreaOf(lists[0]); }
    };
    const TestJob job = SixParts();
    Asking engine;
    engine.Level = 2;
    engine.SecondFlag = 1;
    job.Prepare(engine);
    const BuzaiLists remaining = engine.CalData.Buzai;
    const double all = engine.AllParts(remaining);
    const double unreachable = all + 1e6, none = -std::numeric_limits<double>::infinity();

    struct Step {
        const char* name;
        double need, available;
        std::int64_t hits;  // answered from the memos so far
        int sameAs;         // the step whose layout it repeats, -1 none
    };
    const Step steps[] = {
        {"short of its need", unreachable, -1.0, 0, -1},
        {"the same ask again", unreachable, -1.0, 1, 0},
        {"another need", unreachable + 1e4, -1.0, 1, -1},
        {"the same need, the parts area told", unreachable, all, 1, -1},
        {"the first ask once more", unreachable, -1.0, 2, 0},
        {"without a need: the board's own", none, -1.0, 2, -1},
        {"the own layout answers the short ask", unreachable, -1.0, 3, 5},
    };
    std::vector<COutData> layouts;
    std::vector<BuzaiLists> lefts;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        COutData layout;
        BuzaiLists left;
        engine.Ask(step.need, step.available, remaining, left, layout);
        EXPECT_EQ(engine.BoardMemoHits(), step.hits);
        if (step.sameAs >= 0) {
            EXPECT_EQ(layout.Blocks, layouts[static_cast<std::size_t>(step.sameAs)].Blocks);
            EXPECT_EQ(layout.CutLines, layouts[static_cast<std::size_t>(step.sameAs)].CutLines);
            EXPECT_EQ(left, lefts[static_cast<std::size_t>(step.sameAs)]);
        }
        layouts.push_back(layout);
        lefts.push_back(left);
    }
    EXPECT_LT(layouts[0].PartsArea, all) << "the first ask must fall short for the test to show anything";
}
