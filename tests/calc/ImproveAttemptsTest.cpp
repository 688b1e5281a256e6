#include "calc/ImproveAttempts.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "calc/CalData.h"
#include "calc/JobGenerator.h"
#include "calc/engines/Cal1.h"
#include "calc/engines/Cal2.h"
#include "calc/engines/Cal3.h"
#include "calc/engines/Cal4.h"
#include "result/ResultJson.h"

namespace {

using MemoMaker = std::function<std::shared_ptr<ImproveAttempts>()>;

// An engine whose improvement passes' auxiliary engine starts with the given memo of attempts.
template <class Engine>
class WithAttempts : public Engine {
public:
    template <class... Args>
    explicit WithAttempts(MemoMaker memo, Args... args) : Engine(args...), m_memo(std::move(memo))
    {
    }
    std::unique_ptr<CCalHaichi> CreateInstance() const override
    {
        auto aux = Engine::CreateInstance();
        aux->Attempts = m_memo();
        return aux;
    }

private:
    MemoMaker m_memo;
};

struct Variant {
    const char* name;
    std::function<std::unique_ptr<CCalHaichi>(MemoMaker)> make;
};

// A strip, strip-stack or row engine of the given effort, level and (where it has one) second flag.
template <class Engine>
std::unique_ptr<CCalHaichi> Lengthwise(MemoMaker memo, int order, int level, int second)
{
    auto engine = std::make_unique<WithAttempts<Engine>>(std::move(memo));
    engine->Order = order;
    engine->Level = level;
    if constexpr (requires { engine->SecondFlag; }) {
        engine->SecondFlag = second;
    }
    return engine;
}

const Variant kVariants[] = {
    {"blocks candidate 1 area 0",
     [](MemoMaker m) { return std::make_unique<WithAttempts<CCal1>>(std::move(m), 1, 0); }},
    {"strips effort 2 level 1", [](MemoMaker m) { return Lengthwise<CCal2>(std::move(m), 2, 1, 0); }},
    {"stacks effort 1 second 1", [](MemoMaker m) { return Lengthwise<CCal3>(std::move(m), 1, 2, 1); }},
    {"rows effort 0 level 2 gain 1", [](MemoMaker m) { return Lengthwise<CCal4>(std::move(m), 0, 2, 1); }},
};

// Boards of two or three sizes and parts in tens: layouts that repeat, partners that fit several
// times, merges onto a board between two sizes.
TestJob ManyBoards(std::uint32_t seed)
{
    Dice dice(seed);
    TestJob job;
    job.Kerf(dice.Between(0, 1) * 30);
    job.Board(24400, 12200, 9999, 0, 6000);
    job.Board(18000, 9000, 9999, 0, dice.Between(3, 5) * 1000);
    if (dice.Chance(50)) {
        job.Board(12200, 9000, 9999, 0, dice.Between(2, 3) * 1000);
    }
    for (int i = dice.Between(2, 5); i > 0; --i) {
        job.Parts(dice.Between(2000, 9000), dice.Between(1500, 6000), dice.Between(3, 30),
                  dice.Chance(20) ? 1 : 0);
    }
    job.Set.NoRateFlg = dice.Chance(25);
    return job;
}

}  // namespace

// The passes' attempts answered from the memo come out as laid out again: whole runs of generated
// jobs with the passes are the same byte for byte with a memo and with one that keeps nothing.
TEST(ImproveAttempts, RunsComeOutAsWithEveryAttemptLaidOut)
{
    std::int64_t hits = 0;
    for (const Variant& v : kVariants) {
        for (std::uint32_t seed = 1; seed <= 150; ++seed) {
            SCOPED_TRACE(std::string(v.name) + ", seed " + std::to_string(seed));
            TestJob job = seed % 2 == 0 ? ManyBoards(seed) : GenerateJob(seed);
            job.Set.Use2ko1 = 1;
            job.Set.UseYBuzai = 0;  // the passes run without secondary parts
            std::int64_t jobHits = 0;
            const JobRun with = RunEveryGroup(job, [&] {
                return v.make([&] {
                    auto memo = std::make_shared<ImproveAttempts>();
                    // Counted as the auxiliary engine ends: the memo lives as long as it does.
                    return std::shared_ptr<ImproveAttempts>(
                        memo.get(), [memo, &jobHits](ImproveAttempts*) { jobHits += memo->Hits(); });
                });
            });
            const JobRun without = RunEveryGroup(
                job, [&] { return v.make([] { return std::make_shared<ImproveAttempts>(0); }); });
            ASSERT_EQ(ResultToJson(with.Ret), ResultToJson(without.Ret)) << DescribeJob(job);
            ASSERT_EQ(with.LeftYBuzai, without.LeftYBuzai);
            ASSERT_EQ(with.States, without.States);
            ASSERT_EQ(with.SubFillsCutShort, without.SubFillsCutShort);
            ASSERT_EQ(with.MostSubFills, without.MostSubFills);
            hits += jobHits;
        }
    }
    EXPECT_GT(hits, 500);  // mostly attempts that did not place every part
}

// An attempt is its group: the same boards and lists find the outcome, a group that differs in
// any one thing does not.
TEST(ImproveAttempts, AnswersOnlyTheSameGroup)
{
    CCalData asked;
    asked.Genban[0] = {CAL_GENBAN{3, 1, 0}};
    asked.Buzai[0] = {CAL_BUZAI{0, 2, 0}, CAL_BUZAI{4, 1, 0}};
    asked.Buzai[1] = {CAL_BUZAI{1, 3, 1}};
    struct Case {
        const char* what;
        std::function<void(CCalData&)> change;
        bool found;
    };
    const Case cases[] = {
        {"the same group", [](CCalData&) {}, true},
        {"another board", [](CCalData& g) { g.Genban[0][0].Number = 2; }, false},
        {"more sheets", [](CCalData& g) { g.Genban[0][0].Count = 2; }, false},
        {"another priority", [](CCalData& g) { g.Genban[0][0].Priority = 1; }, false},
        {"the board at another level", [](CCalData& g) { std::swap(g.Genban[0], g.Genban[1]); }, false},
        {"a part more", [](CCalData& g) { g.Buzai[0][1].Count = 2; }, false},
        {"another part", [](CCalData& g) { g.Buzai[0][1].Number = 5; }, false},
        {"another flag", [](CCalData& g) { g.Buzai[0][0].Flag = 1; }, false},
        {"an entry more",
         [](CCalData& g) {
             g.Buzai[0].push_back(CAL_BUZAI{7, 1, 0});
         },
         false},
        {"the parts in the other order", [](CCalData& g) { std::swap(g.Buzai[0][0], g.Buzai[0][1]); }, false},
        {"no secondary parts", [](CCalData& g) { g.Buzai[1].clear(); }, false},
        {"a secondary part moved to the parts",
         [](CCalData& g) {
             g.Buzai[0].push_back(g.Buzai[1][0]);
             g.Buzai[1].clear();
         },
         false},
    };
    ImproveAttempts memo;
    ImproveAttempts::Outcome outcome;
    outcome.State = 3;
    memo.Put(asked, outcome);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CCalData group = asked;
        c.change(group);
        const ImproveAttempts::Outcome* known = memo.Find(group);
        ASSERT_EQ(known != nullptr, c.found);
        if (known) {
            EXPECT_EQ(known->State, 3);
        }
    }
}

TEST(ImproveAttempts, ForgetsEverythingWhenFullAndKeepsNothingWithoutRoom)
{
    auto group = [](std::int32_t board) {
        CCalData g;
        g.Genban[0] = {CAL_GENBAN{board, 1, 0}};
        g.Buzai[0] = {CAL_BUZAI{0, 1, 0}};
        return g;
    };
    ImproveAttempts memo(3);
    for (std::int32_t b = 0; b < 3; ++b) {
        memo.Put(group(b), {});
    }
    EXPECT_EQ(memo.Size(), 3U);
    memo.Put(group(3), {});
    EXPECT_EQ(memo.Size(), 1U);
    EXPECT_EQ(memo.Find(group(0)), nullptr);
    EXPECT_NE(memo.Find(group(3)), nullptr);

    ImproveAttempts none(0);
    none.Put(group(0), {});
    EXPECT_EQ(none.Size(), 0U);
    EXPECT_EQ(none.Find(group(0)), nullptr);
}

// An attempt is left out without a layout run where the board cannot take the parts' area, kerfs
// counted: then no engine's run would have placed every part either. One-board groups around the
// board's area, with kerfs, trims and parts that may not turn, as the passes make them: a few of
// the job's part types, among others of all sizes.
TEST(ImproveAttempts, OneLeftOutByAreaWouldNotHavePlacedEveryPart)
{
    int leftOut = 0, placed = 0, byWidened = 0;
    for (const Variant& v : kVariants) {
        for (std::uint32_t seed = 1; seed <= 60; ++seed) {
            SCOPED_TRACE(std::string(v.name) + ", seed " + std::to_string(seed));
            Dice dice(seed);
            TestJob job;
            job.Kerf(dice.Between(0, 2) * 60);
            const std::int32_t w = dice.Between(6000, 24400), h = dice.Between(6000, 12200);
            job.Board(w, h, 1);
            if (dice.Chance(30)) {
                job.Trim(50, 50, 50, 50);
            }
            // The attempt's parts, about 55 % to 100 % of the board's area; now and then small ones,
            // which the kerf widens most.
            const double target = static_cast<double>(w) * h * dice.Between(55, 100) / 100.0;
            double area = 0.0;
            const bool small = dice.Chance(50);
            std::int32_t types = 0;
            while (area < target) {
                const std::int32_t pw = small ? dice.Between(w / 12, w / 6) : dice.Between(w / 8, w / 2);
                const std::int32_t ph = small ? dice.Between(h / 12, h / 6) : dice.Between(h / 8, h / 2);
                const std::int32_t count = small ? dice.Between(3, 12) : dice.Between(1, 4);
                job.Parts(pw, ph, count, dice.Chance(25) ? 1 : 0);
                area += static_cast<double>(pw) * ph * count;
                ++types;
            }
            // Other parts of the job, small and large.
            for (int other = 0; other < 6; ++other) {
                job.Parts(dice.Between(100, w - 1), dice.Between(100, h - 1), 1);
            }
            job.Set.UseSmallPat = 0;
            job.Set.Use2ko1 = 0;
            std::unique_ptr<CCalHaichi> engine = v.make([] { return std::make_shared<ImproveAttempts>(0); });
            job.Prepare(*engine);
            CCalData group = job.Group();
            std::erase_if(group.Buzai[0], [&](const CAL_BUZAI& e) { return e.Number >= types; });
            engine->Reset();
            engine->SetCalData(group);
            const double partsArea = engine->PartsAreaOf(engine->CalData.Buzai[0]);
            engine->Need = partsArea * (1.0 - 1e-9) - 1.0;
            const bool out = engine->BoardTooSmallForParts();
            const CalRect board = TrimmedRect(job.Genban.Items.front());
            byWidened +=
                out && engine->PartsAreaBound(board.Width(), board.Height(), partsArea) >= engine->Need;
            engine->Calculate();
            const bool all = engine->State == kStateAllPlaced;
            EXPECT_FALSE(out && all);
            leftOut += out ? 1 : 0;
            placed += all ? 1 : 0;
        }
    }
    EXPECT_GT(leftOut, 30);
    EXPECT_GT(placed, 30);
    EXPECT_GT(byWidened, 10);  // left out by the widened pieces, not by the area bound
}
