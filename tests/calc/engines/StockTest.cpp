// Limited stock: no result leaves a board in stock while an unplaced part fits it.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "calc/CalData.h"
#include "calc/CalcRun.h"
#include "calc/JobGenerator.h"
#include "calc/LayoutChecker.h"
#include "calc/TestJob.h"
#include "calc/engines/Engines.h"
#include "fakes/RecordingPrompt.h"

namespace {

// A generated job whose boards run short (one to three sheets a board, three times the parts),
// with the improvement passes on.
TestJob LimitedStockJob(std::uint32_t seed)
{
    TestJob job = GenerateJob(seed);
    Dice dice(seed + 7919);
    for (CGenban& board : job.Genban.Items) {
        board.Count = dice.Between(1, 3);
    }
    for (CBuzai& part : job.Buzai.Items) {
        part.Count *= 3;
    }
    job.Set.TimeDisp = 0;
    job.Set.Use2ko1 = 1;  // the passes that free boards
    job.Set.UseYBuzai = 0;
    job.Set.UseSearch = 1;
    job.Set.SearchEffort = 1;
    return job;
}

// "board N: part M" for every board of a group left in stock while an unplaced part of the
// group (kind, thickness, within the cutting limit) fits its trimmed size; empty when none.
std::string StockLeftBeside(const CRetData& ret, const TestJob& job)
{
    const std::int32_t limit = job.Set.MaxCutSize;
    std::string found;
    for (std::size_t b = 0; b < job.Genban.Items.size(); ++b) {
        const CGenban& board = job.Genban.Items[b];
        if (!board.Use || (board.Width > limit && board.Height > limit)) {
            continue;
        }
        std::int64_t used = 0;
        for (const COutData& layout : ret.Layouts) {
            used += layout.BoardNo == static_cast<std::int32_t>(b) ? layout.Repeat : 0;
        }
        if (used >= board.Count) {
            continue;
        }
        const CalRect rect = TrimmedRect(board);
        for (const CAL_BUZAI& e : ret.Unplaced) {
            const CBuzai& part = job.Buzai.Items.at(static_cast<std::size_t>(e.Number));
            const bool fits = (part.Width <= rect.Width() && part.Height <= rect.Height()) ||
                              (part.NoTurn == 0 && part.Height <= rect.Width() && part.Width <= rect.Height());
            if (fits && part.Kind == board.Kind && part.Thickness == board.Thickness && part.Width <= limit &&
                part.Height <= limit) {
                found += " board " + std::to_string(b) + ": part " + std::to_string(e.Number) + ";";
                break;
            }
        }
    }
    return found;
}

// The search jobs of the variants (each of them) and the first variant of every other kind.
std::vector<EngineVariant> OneOfEachKind(const Settings& settings)
{
    std::vector<EngineVariant> chosen;
    std::set<int> kinds;
    for (const EngineVariant& v : JobVariants(settings)) {
        if (v.Kind == kSearchEngine || kinds.insert(v.Kind).second) {
            chosen.push_back(v);
        }
    }
    return chosen;
}

}  // namespace

// The checker itself: a board left in stock beside a part that fits it is found, a board used up
// or too small for the part is not.
TEST(StockLeft, FindsOnlyABoardInStockThatAnUnplacedPartFits)
{
    const TestJob job = TestJob().Board(1000, 500, 2).Board(300, 300, 5).Parts(400, 400, 9).Parts(900, 450, 1, 1);
    struct Case {
        int bigUsed;
        std::vector<CAL_BUZAI> unplaced;
        bool found;
    };
    const Case cases[] = {
        {1, {{0, 3, 0}}, true},   // one 1000 x 500 left, a 400 x 400 fits
        {2, {{0, 3, 0}}, false},  // all used; the 300 x 300 boards are too small
        {1, {{1, 1, 0}}, true},   // 900 x 450 as it is
        {2, {}, false},
    };
    for (const Case& c : cases) {
        CRetData ret;
        COutData layout;
        layout.BoardNo = 0;
        layout.Repeat = c.bigUsed;
        ret.Layouts.push_back(layout);
        ret.Unplaced = c.unplaced;
        EXPECT_EQ(!StockLeftBeside(ret, job).empty(), c.found) << c.bigUsed << " used";
    }
}

// Every engine on generated jobs whose stock runs short. The search must fill the stock; the four
// engines lay boards out for the first part left, and their results are checked the same way.
TEST(StockLeft, TheSearchFillsTheStockBeforeItGivesUpParts)
{
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const TestJob job = LimitedStockJob(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(job));
        for (const EngineVariant& v : OneOfEachKind(job.Set)) {
            SCOPED_TRACE(testing::Message() << "engine " << v.Kind << " job " << v.Order);
            const JobRun run = RunEveryGroup(job, [&] { return MakeEngine(v); });
            ExpectValidResult(run.Ret, job, &run.LeftYBuzai);
            EXPECT_EQ(StockLeftBeside(run.Ret, job), "");
        }
        if (testing::Test::HasFailure()) {
            return;
        }
    }
}

// The whole run with the search: the result chosen for each group keeps the property too.
TEST(StockLeft, TheChosenResultsFillTheStock)
{
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        const TestJob job = LimitedStockJob(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(job));
        Settings settings = job.Set;
        settings.MaxCalNum = 2;
        CalcRun run(job.Buzai, job.YBuzai, job.Genban, settings, MakeEngine);
        RecordingPrompt prompt;
        CRetData ret;
        run.RunToEnd(ret, prompt, nullptr);
        ExpectValidResult(ret, job);
        EXPECT_EQ(StockLeftBeside(ret, job), "");
    }
}
