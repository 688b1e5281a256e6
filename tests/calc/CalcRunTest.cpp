#include "calc/CalcRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "calc/CalHaichi.h"
#include "base/CalcError.h"
#include "calc/TestJob.h"
#include "result/ResultOrder.h"
#include "fakes/RecordingPrompt.h"
#include "result/ResultJson.h"
#include "result/RetData.h"
#include "calc/LayoutChecker.h"
#include "calc/engines/Engines.h"

namespace {

// A strategy for the run's tests: lays a grid of the first remaining part into the corner,
// at most Order + 1 pieces along x, so higher orders fill boards better. Behaviour switches
// let a test make it spin until stopped or fail with an internal error.
class GridEngine : public CCalHaichi {
public:
    int Order = 0;
    int Fail = 0;  // throws CalcError from LayoutBoard
    int Spin = 0;  // waits for the stop request in LayoutBoard
    int LastFirst = 0;  // lays the last remaining part out instead of the first

    void SetCalData(const CCalData& data) override
    {
        CalData = data;
        State = 1;
    }
    int LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                    const CalRect& rect) override
    {
        if (Fail) {
            throw CalcError("grid index out of range");
        }
        while (Spin && !StopRequest) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        left = remaining;
        for (auto& list : left) {
            std::erase_if(list, [](const CAL_BUZAI& e) { return e.Count < 1; });
        }
        if (left[0].empty()) {
            return 0;
        }
        CAL_BUZAI& entry = LastFirst ? left[0].back() : left[0].front();
        const CBuzai& part = Part(0, entry.Number);
        const std::int32_t w = part.Width + NokoHaba, h = part.Height + NokoHaba;
        int nx = std::min<int>((rect.Width() + NokoHaba) / w, Order + 1);
        int ny = (rect.Height() + NokoHaba) / h;
        if (nx < 1 || ny < 1) {
            return 0;
        }
        ny = std::min(ny, (entry.Count + nx - 1) / nx);
        nx = std::min(nx, entry.Count);
        const int pieces = std::min(entry.Count, nx * ny);
        ny = (pieces + nx - 1) / nx;
        if (nx * ny != pieces) {
            ny = pieces / nx;
        }
        if (ny < 1) {
            return 0;
        }
        layout.Blocks.emplace_back(entry.Number, 0, rect.X0, rect.Y0, nx, ny, 0);
        layout.PartsArea += static_cast<double>(part.Width) * part.Height * nx * ny;
        layout.TotalArea = layout.PartsArea;
        entry.Count -= nx * ny;
        std::erase_if(left[0], [](const CAL_BUZAI& e) { return e.Count < 1; });
        return 1;
    }
    std::unique_ptr<CCalHaichi> CreateInstance() const override
    {
        auto copy = std::make_unique<GridEngine>();
        copy->Order = Order;
        copy->LastFirst = LastFirst;
        return copy;
    }
};

std::unique_ptr<CCalHaichi> MakeGrid(const EngineVariant& variant, int fail = 0, int spin = 0)
{
    auto engine = std::make_unique<GridEngine>();
    engine->Order = variant.Order;
    engine->Fail = fail;
    engine->Spin = spin;
    return engine;
}

// Three groups (two kinds, two thicknesses) on boards with prices.
TestJob ThreeGroups()
{
    TestJob job;
    job.Board(2400, 1200, 9999, 0, 3000, "MDF", 180)
        .Board(1820, 910, 5, 1, 2000, "MDF", 180)
        .Board(1820, 910, 9999, 0, 1500, "合板", 120)
        .Board(1000, 500, 9999, 0, 500, "合板", 90)
        .Parts(600, 400, 7, 0, "MDF", 180)
        .Parts(300, 300, 11, 0, "合板", 120)
        .Parts(450, 200, 5, 0, "MDF", 180)
        .Parts(250, 120, 9, 0, "合板", 90)
        .Kerf(30);
    job.Set.TimeDisp = 0;
    return job;
}

CalcRun::Outcome RunJob(const TestJob& job, CRetData& ret, RecordingPrompt& prompt, int threads,
                        std::size_t* mostRunning = nullptr)
{
    Settings settings = job.Set;
    settings.MaxCalNum = threads;
    CalcRun run(job.Buzai, job.YBuzai, job.Genban, settings,
                [](const EngineVariant& v) { return MakeGrid(v); });
    const CalcRun::Outcome outcome = run.RunToEnd(ret, prompt, nullptr);
    if (mostRunning) {
        *mostRunning = run.MostRunningAtOnce();
    }
    return outcome;
}

}  // namespace

TEST(JobVariants, CountsEveryEngineByTheSettings)
{
    struct Case {
        int cutLv, menCal, cal3, cal4;
        int cal1, cal2, cal3Jobs, cal4Jobs;
    };
    const Case cases[] = {
        {3, 1, 1, 1, 4, 18, 12, 48}, {3, 0, 1, 1, 2, 9, 6, 24},  {3, 1, 0, 1, 4, 18, 0, 48},
        {3, 1, 1, 0, 4, 18, 12, 0},  {2, 1, 1, 1, 0, 18, 0, 36}, {1, 1, 1, 1, 0, 12, 0, 24},
        {0, 1, 1, 1, 0, 6, 0, 12},   {0, 0, 1, 1, 0, 3, 0, 6},   {0, 1, 1, 0, 0, 6, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "CutLV " << c.cutLv << " men " << c.menCal << " cal3 " << c.cal3
                                        << " cal4 " << c.cal4);
        Settings settings;
        settings.CutLV = c.cutLv;
        settings.UseMenCal = c.menCal;
        settings.UseCal3 = c.cal3;
        settings.UseCal4 = c.cal4;
        std::map<int, int> counts;
        for (const EngineVariant& v : JobVariants(settings)) {
            ++counts[v.Kind];
        }
        EXPECT_EQ(counts[1], c.cal1);
        EXPECT_EQ(counts[2], c.cal2);
        EXPECT_EQ(counts[3], c.cal3Jobs);
        EXPECT_EQ(counts[4], c.cal4Jobs);
    }
}

TEST(JobVariants, PutsTheSearchFirstOnlyWhenAsked)
{
    struct Case {
        int useSearch, cutLv, effort;
        std::size_t jobs;
    };
    for (const Case c : {Case{0, 3, 3, 82}, Case{1, 3, 3, 84}, Case{1, 0, 5, 20}}) {
        SCOPED_TRACE(testing::Message() << "search " << c.useSearch << " CutLV " << c.cutLv);
        Settings settings;
        settings.UseSearch = c.useSearch;
        settings.CutLV = c.cutLv;
        settings.SearchEffort = c.effort;
        const std::vector<EngineVariant> v = JobVariants(settings);
        EXPECT_EQ(v.size(), c.jobs);
        const auto search =
            std::count_if(v.begin(), v.end(), [](const EngineVariant& e) { return e.Kind == kSearchEngine; });
        EXPECT_EQ(search, c.useSearch ? kSearchJobs : 0);
        for (int j = 0; j < search; ++j) {
            EXPECT_EQ(v[static_cast<std::size_t>(j)],
                      (EngineVariant{kSearchEngine, j, c.cutLv, 0, c.effort}));
        }
    }
}

TEST(JobVariants, ListsTheLoopsOutermostFirst)
{
    const std::vector<EngineVariant> v = JobVariants(Settings());
    ASSERT_EQ(v.size(), 82u);
    // Engine 2: level, area, order 2, 1, 0.
    EXPECT_EQ(v[0], (EngineVariant{2, 2, 0, 0, 0}));
    EXPECT_EQ(v[2], (EngineVariant{2, 0, 0, 0, 0}));
    EXPECT_EQ(v[3], (EngineVariant{2, 2, 0, 1, 0}));
    EXPECT_EQ(v[6], (EngineVariant{2, 2, 1, 0, 0}));
    // Engine 1: area, candidate flag.
    EXPECT_EQ(v[18], (EngineVariant{1, 0, 0, 0, 0}));
    EXPECT_EQ(v[19], (EngineVariant{1, 0, 0, 0, 1}));
    EXPECT_EQ(v[20], (EngineVariant{1, 0, 0, 1, 0}));
    // Engine 3: area, second flag, order; always level 2.
    EXPECT_EQ(v[22], (EngineVariant{3, 2, 2, 0, 0}));
    EXPECT_EQ(v[25], (EngineVariant{3, 2, 2, 0, 1}));
    // Engine 4: level 0..3, area, second, order.
    EXPECT_EQ(v[34], (EngineVariant{4, 2, 0, 0, 0}));
    EXPECT_EQ(v[37], (EngineVariant{4, 2, 0, 0, 1}));
    EXPECT_EQ(v.back(), (EngineVariant{4, 0, 3, 1, 1}));
}

TEST(CalcRun, ResultDoesNotDependOnTheThreadCount)
{
    const TestJob job = ThreeGroups();
    std::string first;
    for (int threads : {1, 2, 16}) {
        SCOPED_TRACE(threads);
        CRetData ret;
        RecordingPrompt prompt;
        std::size_t most = 0;
        ASSERT_EQ(RunJob(job, ret, prompt, threads, &most), CalcRun::Outcome::Placed);
        EXPECT_LE(most, static_cast<std::size_t>(threads));
        if (threads == 1) {
            EXPECT_EQ(most, 1u);
        }
        EXPECT_TRUE(prompt.Shown.empty());
        ExpectValidResult(ret, job);
        const std::string json = ResultToJson(ret);
        if (first.empty()) {
            first = json;
        }
        EXPECT_EQ(json, first);
    }
}

TEST(CalcRun, ChoosesTheBestVariantOfEveryGroup)
{
    // Order 2 places three pieces per row; the run must keep that job's result.
    TestJob job;
    job.Board(1000, 1000).Parts(300, 300, 9);
    CRetData ret;
    RecordingPrompt prompt;
    ASSERT_EQ(RunJob(job, ret, prompt, 4), CalcRun::Outcome::Placed);
    ASSERT_EQ(ret.Layouts.size(), 1u);
    EXPECT_EQ(ret.Layouts[0].Blocks.at(0).Nx, 3);
    EXPECT_EQ(ret.Layouts[0].Repeat, 1);
    EXPECT_EQ(ret.UsedBoards, (std::vector<RET_GENBAN>{{0, 1}}));
}

TEST(CalcRun, UnderShortStockTheSearchIsChosenByPartsArea)
{
    // One sheet: nine small parts (0.81 m2) or the one large part (0.9025 m2). Grid engines of the
    // kind `lastFirst` lay the large part out; the others lay as many small parts as their order
    // allows (the search's two jobs at most two a row, the other engines up to nine).
    TestJob job;
    job.Board(1000, 1000, 1).Parts(300, 300, 9).Parts(950, 950, 1);
    job.Set.TimeDisp = 0;
    struct Case {
        const char* name;
        int useSearch, lastFirst;
        std::vector<CAL_BUZAI> unplaced;
    };
    const Case cases[] = {
        {"the other engines keep fewer pieces unplaced first", 0, kBlockEngine, {{1, 1, 0}}},
        {"the search's more area wins against them", 1, kSearchEngine, {{0, 9, 0}}},
        {"the search's less area loses", 1, kBlockEngine, {{1, 1, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings settings = job.Set;
        settings.UseSearch = c.useSearch;
        settings.MaxCalNum = 2;
        CalcRun run(job.Buzai, job.YBuzai, job.Genban, settings, [&](const EngineVariant& v) {
            auto engine = MakeGrid(v);
            static_cast<GridEngine&>(*engine).LastFirst = v.Kind == c.lastFirst ? 1 : 0;
            return engine;
        });
        CRetData ret;
        RecordingPrompt prompt;
        ASSERT_EQ(run.RunToEnd(ret, prompt, nullptr), CalcRun::Outcome::Placed);
        ExpectValidResult(ret, job);
        EXPECT_EQ(ret.Unplaced, c.unplaced);
    }
}

TEST(CalcRun, OnATieTheResultOfTheJobEarlierInTheListIsKept)
{
    // Six parts on one board either way: two a row for the search's jobs (first in the list), three
    // for the other engines. The same area, price and yield: the search's layout stays.
    TestJob job;
    job.Board(1000, 1000).Parts(300, 300, 6);
    job.Set.TimeDisp = 0;
    job.Set.UseSearch = 1;
    ASSERT_EQ(JobVariants(job.Set).front().Kind, kSearchEngine);
    CalcRun run(job.Buzai, job.YBuzai, job.Genban, job.Set, [](const EngineVariant& v) {
        EngineVariant grid = v;
        grid.Order = v.Kind == kSearchEngine ? 1 : 2;
        return MakeGrid(grid);
    });
    CRetData ret;
    RecordingPrompt prompt;
    ASSERT_EQ(run.RunToEnd(ret, prompt, nullptr), CalcRun::Outcome::Placed);
    ASSERT_EQ(ret.Layouts.size(), 1u);
    EXPECT_EQ(ret.Layouts[0].Blocks.at(0).Nx, 2);
}

TEST(CalcRun, PartsOverTheCuttingLimitAreUnplacedWithTheirFullCount)
{
    TestJob job;
    job.Board(3000, 1000).Parts(300, 300, 2).Parts(2500, 300, 4);
    job.Set.MaxCutSize = 2000;
    CRetData ret;
    RecordingPrompt prompt;
    ASSERT_EQ(RunJob(job, ret, prompt, 2), CalcRun::Outcome::Placed);
    EXPECT_EQ(ret.Unplaced, (std::vector<CAL_BUZAI>{{1, 4, 0}}));
}

TEST(CalcRun, NothingPlacedShowsTheMessage)
{
    TestJob job;
    job.Board(100, 100).Parts(300, 300, 2);
    CRetData ret;
    RecordingPrompt prompt;
    EXPECT_EQ(RunJob(job, ret, prompt, 2), CalcRun::Outcome::NothingPlaced);
    EXPECT_EQ(prompt.Shown, std::vector<std::string>{"全ての部材が配置できませんでした。"});
    EXPECT_EQ(ret.Unplaced, (std::vector<CAL_BUZAI>{{0, 2, 0}}));
}

TEST(CalcRun, AbortStopsEveryEngineAndLeavesNoResult)
{
    for (int timeDisp : {0, 1}) {
        SCOPED_TRACE(timeDisp);
        TestJob job = ThreeGroups();
        job.Set.TimeDisp = timeDisp;
        job.Set.MaxCalNum = 4;
        CalcRun run(job.Buzai, job.YBuzai, job.Genban, job.Set,
                    [](const EngineVariant& v) { return MakeGrid(v, 0, 1); });
        CRetData ret;
        RecordingPrompt prompt;
        int polls = 0;
        const CalcRun::Outcome outcome = run.RunToEnd(ret, prompt, [&](CalcRun& r) {
            EXPECT_LE(r.RunningCount(), 4u);
            return ++polls == 20;
        });
        EXPECT_EQ(outcome, CalcRun::Outcome::Aborted);
        EXPECT_TRUE(ret.Layouts.empty());
        EXPECT_TRUE(ret.Unplaced.empty());
        EXPECT_EQ(run.RunningCount(), 0u);
        ASSERT_EQ(prompt.Shown.size(), static_cast<std::size_t>(timeDisp));
        if (timeDisp) {
            EXPECT_EQ(prompt.Shown[0].rfind("処理時間 ", 0), 0u);
            EXPECT_EQ(prompt.Shown[0].substr(prompt.Shown[0].size() - 4), "秒\n");
        }
    }
}

TEST(CalcRun, AnInternalErrorEndsTheRunWithAMessage)
{
    const TestJob job = ThreeGroups();
    CalcRun run(job.Buzai, job.YBuzai, job.Genban, job.Set,
                [](const EngineVariant& v) { return MakeGrid(v, v.Kind == 4 && v.Level == 1 ? 1 : 0); });
    CRetData ret;
    RecordingPrompt prompt;
    EXPECT_EQ(run.RunToEnd(ret, prompt, nullptr), CalcRun::Outcome::Failed);
    EXPECT_TRUE(ret.Layouts.empty());
    ASSERT_EQ(prompt.Shown.size(), 1u);
    EXPECT_NE(prompt.Shown[0].find("grid index out of range"), std::string::npos);
}

TEST(CalcRun, ReportsProgressAsFinishedJobsOverAll)
{
    TestJob job;
    job.Board(1000, 1000).Parts(300, 300, 9);
    job.Set.MaxCalNum = 1;
    CalcRun run(job.Buzai, job.YBuzai, job.Genban, job.Set,
                [](const EngineVariant& v) { return MakeGrid(v); });
    EXPECT_EQ(run.Percent(), 0);
    CRetData ret;
    run.Start(ret);
    EXPECT_EQ(run.JobCount(), 82u);
    int last = 0;
    while (run.Poll()) {
        EXPECT_GE(run.Percent(), last);
        last = run.Percent();
        EXPECT_EQ(run.ProgressText().rfind("進行度 ", 0), 0u);
    }
    EXPECT_EQ(run.Percent(), 100);
    EXPECT_NE(run.ProgressText().find("進行度 100% 経過時間 00:00:0"), std::string::npos);
}

namespace {

// A run whose time limit counts ended jobs instead of seconds: a limit of k seconds takes the
// current result once k jobs have ended.
struct CountedRun {
    CalcRun Run;
    CRetData Ret;
    RecordingPrompt Prompt;
    CalcRun::Outcome Outcome = CalcRun::Outcome::Failed;

    CountedRun(const TestJob& job, int threads, std::size_t endedJobs, EngineFactory factory = MakeEngine)
        : Run(job.Buzai, job.YBuzai, job.Genban, WithThreads(job.Set, threads), std::move(factory))
    {
        Run.SetTimeLimit(std::chrono::seconds(endedJobs), [this] {
            return CalcRun::Clock::time_point{} + std::chrono::seconds(Run.EndedCount());
        });
        Outcome = Run.RunToEnd(Ret, Prompt, nullptr);
    }
    static Settings WithThreads(Settings settings, int threads)
    {
        settings.MaxCalNum = threads;
        return settings;
    }
};

}  // namespace

TEST(CalcRun, AResultTakenEarlyIsTheBestOfTheJobsThatEnded)
{
    // One group, real engines: the result taken after k ended jobs is the one a run of just
    // those variants (in job list order) gives, and a valid layout of the job.
    TestJob job = TestJob()
                      .Board(2440, 1220, 4, 0, 4000)
                      .Board(1820, 910, 9999, 0, 1800)
                      .Kerf(4)
                      .Parts(700, 400, 9)
                      .Parts(560, 300, 7)
                      .Parts(1200, 350, 3)
                      .Parts(450, 450, 5);
    job.Set.TimeDisp = 0;
    const std::size_t all = JobVariants(job.Set).size();
    std::size_t stripJobs = 0;
    for (const EngineVariant& v : JobVariants(job.Set)) {
        stripJobs += v.Kind == kStripEngine ? 1 : 0;
    }
    // The block jobs and the strip-stack jobs of effort 2 start before those of effort 0 and 1.
    std::size_t later = 0, effort2 = 0, blockJobs = 0;
    for (const EngineVariant& v : JobVariants(job.Set)) {
        later += v.Kind == kStackEngine && v.Order < 2 ? 1 : 0;
        effort2 += v.Kind == kStackEngine && v.Order == 2 ? 1 : 0;
        blockJobs += v.Kind == kBlockEngine ? 1 : 0;
    }
    ASSERT_GT(later, 0u);
    const std::size_t sooner = stripJobs + blockJobs + effort2;
    std::string full;
    for (const std::size_t k :
         {std::size_t{1}, std::size_t{3}, stripJobs, stripJobs + 5, sooner, all, all + 1}) {
        for (const int threads : {1, 2}) {
            SCOPED_TRACE(testing::Message() << k << " ended jobs, " << threads << " threads");
            CountedRun early(job, threads, k);
            ASSERT_EQ(early.Outcome, CalcRun::Outcome::Placed);
            ExpectValidResult(early.Ret, job);
            const std::vector<std::vector<EngineVariant>> ended = early.Run.EndedVariants();
            ASSERT_EQ(ended.size(), 1u);
            if (threads == 1) {
                EXPECT_EQ(ended[0].size(), std::min(k, all));
            }
            EXPECT_EQ(early.Ret.StoppedEarly, ended[0].size() < all);
            // The strip engine's jobs start first (on two threads a later job may end first).
            for (std::size_t i = 0; threads == 1 && i < std::min(ended[0].size(), stripJobs); ++i) {
                EXPECT_EQ(ended[0][i].Kind, kStripEngine) << i;
            }
            // The strip-stack jobs of effort 0 and 1 start after those of effort 2.
            if (threads == 1 && k == sooner) {
                std::size_t stacks = 0;
                for (const EngineVariant& v : ended[0]) {
                    EXPECT_FALSE(v.Kind == kStackEngine && v.Order < 2) << v.Order;
                    stacks += v.Kind == kStackEngine ? 1 : 0;
                }
                EXPECT_EQ(stacks, effort2);
            }

            CalcRun subset(job.Buzai, job.YBuzai, job.Genban, job.Set, MakeEngine);
            subset.RunOnly(ended[0]);
            CRetData expected;
            RecordingPrompt prompt;
            ASSERT_EQ(subset.RunToEnd(expected, prompt, nullptr), CalcRun::Outcome::Placed);
            CRetData got = early.Ret;
            got.StoppedEarly = false;
            EXPECT_EQ(ResultToJson(got), ResultToJson(expected));
            if (k >= all) {
                full = full.empty() ? ResultToJson(early.Ret) : full;
                EXPECT_EQ(ResultToJson(early.Ret), full);
            }
        }
    }
}

TEST(FirstJobOf, IsTheQuickestStripJob)
{
    const EngineVariant block{kBlockEngine, 0, 0, 0, 0}, row{kRowEngine, 0, 0, 0, 0};
    struct Case {
        const char* name;
        std::vector<EngineVariant> variants;
        std::size_t first;
    };
    const Case cases[] = {
        {"the default list: strips, effort 0, level 0, area 0", JobVariants(Settings()), 2},
        {"no strip job: the first", {row, block}, 0},
        {"level before effort", {row, {kStripEngine, 0, 1, 0, 0}, {kStripEngine, 2, 0, 1, 0}}, 2},
        {"effort before area", {{kStripEngine, 1, 0, 0, 0}, {kStripEngine, 0, 0, 1, 0}}, 1},
        {"area last", {{kStripEngine, 0, 0, 1, 0}, {kStripEngine, 0, 0, 0, 0}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FirstJobOf(c.variants), c.first);
    }
}

namespace {

// Grid engines that log the order in which their jobs start. The group's first jobs can be
// made to wait for a gate, deaf to stop requests: a job too slow to end within the limit.
struct StartLog {
    std::mutex Mutex;
    std::vector<const CCalHaichi*> Started;                    // in start order
    std::vector<std::pair<std::int32_t, EngineVariant>> Jobs;  // per engine made: group, variant
    std::map<const CCalHaichi*, std::size_t> Made;
    std::size_t VariantsPerGroup = JobVariants(Settings()).size();
    std::atomic<int> Gate{1};  // 0 holds the first jobs in LayoutBoard
    int SpinOthers = 0;        // the other jobs run until stopped

    std::pair<std::int32_t, EngineVariant> At(std::size_t started)
    {
        std::lock_guard lock(Mutex);
        return Jobs.at(Made.at(Started.at(started)));
    }
    std::size_t StartedCount()
    {
        std::lock_guard lock(Mutex);
        return Started.size();
    }
};

class LoggedGrid final : public GridEngine {
public:
    StartLog* Log = nullptr;
    bool Gated = false;

    void SetCalData(const CCalData& data) override
    {
        GridEngine::SetCalData(data);
        std::lock_guard lock(Log->Mutex);
        Log->Started.push_back(this);
    }
    int LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                    const CalRect& rect) override
    {
        while (Gated && Log->Gate == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return GridEngine::LayoutBoard(remaining, left, layout, rect);
    }
};

EngineFactory LoggedFactory(StartLog& log)
{
    const EngineVariant first = JobVariants(Settings()).at(FirstJobOf(JobVariants(Settings())));
    return [&log, first](const EngineVariant& v) {
        auto engine = std::make_unique<LoggedGrid>();
        engine->Order = v.Order;
        engine->Log = &log;
        engine->Gated = v == first;
        engine->Spin = v == first ? 0 : log.SpinOthers;
        std::lock_guard lock(log.Mutex);
        const auto group = static_cast<std::int32_t>(log.Jobs.size() / log.VariantsPerGroup);
        log.Made[engine.get()] = log.Jobs.size();
        log.Jobs.emplace_back(group, v);
        return engine;
    };
}

std::int64_t UnplacedCount(const CRetData& ret)
{
    std::int64_t pieces = 0;
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        pieces += entry.Count;
    }
    return pieces;
}

}  // namespace

TEST(CalcRun, EachGroupsFirstJobStartsBeforeAnyOtherJob)
{
    const TestJob job = ThreeGroups();
    const EngineVariant first = JobVariants(job.Set).at(FirstJobOf(JobVariants(job.Set)));
    // One thread: the log's order is the start order (two workers may log out of turn).
    StartLog log;
    CRetData ret;
    RecordingPrompt prompt;
    Settings settings = job.Set;
    settings.MaxCalNum = 1;
    CalcRun run(job.Buzai, job.YBuzai, job.Genban, settings, LoggedFactory(log));
    ASSERT_EQ(run.RunToEnd(ret, prompt, nullptr), CalcRun::Outcome::Placed);
    ASSERT_EQ(log.StartedCount(), 3 * log.VariantsPerGroup);
    // The three first jobs, group by group; then the other strip jobs of every group.
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(log.At(i), std::make_pair(static_cast<std::int32_t>(i), first)) << i;
    }
    for (std::size_t i = 3; i < 3 * 18; ++i) {
        EXPECT_EQ(log.At(i).second.Kind, kStripEngine) << i;
        EXPECT_NE(log.At(i).second, first) << i;
    }
    EXPECT_FALSE(ret.StoppedEarly);
    EXPECT_TRUE(ret.Groups.empty());
}

TEST(CalcRun, AStopWaitsForEachGroupsFirstJobAndNoOther)
{
    // The first jobs cannot end before the limit: the run waits for them, starts nothing else,
    // and every group has the first job's complete result. The time is up before any job
    // started (from the clock's second reading: the first is the start), or while the first
    // jobs run (from the third: Start's poll started them).
    const TestJob job = ThreeGroups();
    struct Case {
        int threads, upFromRead;
    };
    // On four threads a fourth job starts with the three first jobs and runs until stopped: it
    // counts as no ended job.
    for (const Case c :
         {Case{1, 1}, Case{2, 1}, Case{4, 1}, Case{1, 2}, Case{2, 2}, Case{3, 2}, Case{4, 2}}) {
        SCOPED_TRACE(testing::Message() << c.threads << " threads, up from reading " << c.upFromRead);
        const int threads = c.threads;
        StartLog log;
        log.Gate = 0;
        log.SpinOthers = 1;
        const std::size_t others = c.threads > 3 && c.upFromRead > 1 ? 1 : 0;
        Settings settings = job.Set;
        settings.MaxCalNum = threads;
        CalcRun run(job.Buzai, job.YBuzai, job.Genban, settings, LoggedFactory(log));
        int reads = 0;
        run.SetTimeLimit(std::chrono::seconds(1), [&reads, c] {
            return CalcRun::Clock::time_point{} + std::chrono::seconds(reads++ < c.upFromRead ? 0 : 10);
        });
        CRetData ret;
        run.Start(ret);
        // Until the stopped job has ended (a busy machine may take long), at least 50 polls.
        for (int i = 0; i < 50 || (run.EndedCount() < others && i < 10000); ++i) {
            EXPECT_TRUE(run.Poll());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_TRUE(run.TakingCurrent());
        EXPECT_EQ(run.GroupsWaitedFor(), 3);
        EXPECT_EQ(run.EndedCount(), others);
        EXPECT_EQ(run.RunningCount(), std::min<std::size_t>(threads, 3));
        log.Gate = 1;
        RecordingPrompt prompt;
        ASSERT_EQ(run.Finish(ret, prompt), CalcRun::Outcome::Placed);
        EXPECT_EQ(run.GroupsWaitedFor(), 0);
        EXPECT_EQ(log.StartedCount(), 3 + others);  // the three first jobs and nothing else
        ExpectValidResult(ret, job);
        EXPECT_EQ(UnplacedCount(ret), 0);
        EXPECT_TRUE(ret.StoppedEarly);
        ASSERT_EQ(ret.Groups.size(), 3u);
        for (const RET_GROUP& group : ret.Groups) {
            SCOPED_TRACE(group.Kind);
            EXPECT_EQ(group.JobsEnded, 1);
            EXPECT_EQ(group.JobsTotal, 82);
            EXPECT_TRUE(group.StoppedEarly);
            EXPECT_TRUE(group.Waited);
        }
        EXPECT_EQ(ret.Groups[0].Kind, "MDF");
        EXPECT_EQ(ret.Groups[0].Thickness, 180);
        EXPECT_EQ(ret.Groups[2].Thickness, 90);
    }
}

TEST(CalcRun, EveryGroupHasAResultAtAnyStop)
{
    const TestJob job = ThreeGroups();
    const auto grid = [](const EngineVariant& v) { return MakeGrid(v); };
    struct Case {
        std::size_t ended;  // the stop comes once this many jobs have ended (one thread)
        std::vector<bool> waited;
        std::vector<int> jobsEnded;
    };
    const Case cases[] = {
        {0, {true, true, true}, {1, 1, 1}},         {1, {false, true, true}, {1, 1, 1}},
        {2, {false, false, true}, {1, 1, 1}},       {3, {false, false, false}, {1, 1, 1}},
        {4, {false, false, false}, {2, 1, 1}},      {21, {false, false, false}, {18, 2, 1}},
        {246, {false, false, false}, {82, 82, 82}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ended);
        CountedRun early(job, 1, c.ended, grid);
        EXPECT_EQ(early.Outcome, CalcRun::Outcome::Placed);
        ExpectValidResult(early.Ret, job);
        EXPECT_EQ(UnplacedCount(early.Ret), 0);
        EXPECT_EQ(early.Run.BestSoFar().GroupsWithResult, 3);
        EXPECT_TRUE(early.Prompt.Shown.empty());
        const bool full = c.ended == 246;
        EXPECT_EQ(early.Ret.StoppedEarly, !full);
        if (full) {
            EXPECT_TRUE(early.Ret.Groups.empty());
            continue;
        }
        ASSERT_EQ(early.Ret.Groups.size(), 3u);
        for (std::size_t g = 0; g < 3; ++g) {
            SCOPED_TRACE(g);
            EXPECT_EQ(early.Ret.Groups[g].Waited, c.waited[g]);
            EXPECT_EQ(early.Ret.Groups[g].JobsEnded, c.jobsEnded[g]);
            EXPECT_EQ(early.Run.EndedVariants()[g].size(), static_cast<std::size_t>(c.jobsEnded[g]));
        }
    }
}

TEST(FormatElapsed, ShowsHoursWithinTheDay)
{
    using std::chrono::seconds;
    EXPECT_EQ(FormatElapsed(seconds(0)), "00:00:00");
    EXPECT_EQ(FormatElapsed(seconds(3725)), "01:02:05");
    EXPECT_EQ(FormatElapsed(seconds(86400 + 61)), "00:01:01");
}

namespace {

// A result for the choice between results: its unplaced pieces, price and areas.
CRetData ChoiceResult(long long unplaced, std::int64_t price, double partsArea, double boardArea = 1e7)
{
    CRetData r;
    if (unplaced > 0) {
        r.Unplaced.push_back({0, static_cast<std::int32_t>(unplaced), 0});
    }
    r.TotalPrice = price;
    r.PartsArea = partsArea;
    r.TotalArea = partsArea;
    r.BoardArea = boardArea;
    return r;
}

struct ChoiceCase {
    const char* name;
    CRetData c, best;
    bool noRate, replaces;
};

}  // namespace

TEST(ReplacesBest, PutsUncutPartsBeforePrice)
{
    const auto result = ChoiceResult;
    const ChoiceCase cases[] = {
        {"cheaper, same uncut", result(0, 900, 50, 100), result(0, 1000, 80, 100), false, true},
        {"dearer, same uncut", result(0, 1100, 90, 100), result(0, 1000, 80, 100), false, false},
        {"cheaper but leaves more uncut", result(3, 500, 40, 100), result(1, 1000, 80, 100), false, false},
        {"dearer but cuts more", result(0, 2000, 90, 200), result(2, 1000, 80, 100), false, true},
        {"same price, better yield", result(0, 1000, 90, 100), result(0, 1000, 80, 100), false, true},
        {"no rate: more parts area wins", result(0, 5000, 90, 300), result(0, 1000, 80, 100), true, true},
        {"no rate: less parts area loses", result(0, 100, 70, 100), result(0, 1000, 80, 100), true, false},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReplacesBest(c.c, c.best, c.noRate), c.replaces);
    }
}

TEST(SearchReplaces, PutsPartsAreaBeforeUncutParts)
{
    // The total area, with the secondary parts, apart from the parts area, which comes first.
    const auto result = [](long long unplaced, std::int64_t price, double partsArea, double totalArea = 0.0) {
        CRetData r = ChoiceResult(unplaced, price, partsArea);
        r.TotalArea = totalArea > 0.0 ? totalArea : partsArea;
        return r;
    };
    const ChoiceCase cases[] = {
        {"more area, more pieces uncut", result(9, 900, 9.03e6), result(1, 900, 8.1e6), false, true},
        {"less area, fewer pieces uncut", result(1, 900, 8.1e6), result(9, 900, 9.03e6), false, false},
        {"more area, dearer", result(0, 2000, 9.03e6), result(4, 900, 8.1e6), false, true},
        {"same area: fewer uncut", result(1, 2000, 8.1e6), result(2, 900, 8.1e6), false, true},
        {"area apart only by rounding: the cheaper", result(0, 800, 8.1e6 * (1 + 1e-13)), result(0, 900, 8.1e6),
         false, true},
        {"area apart only by rounding: not the dearer", result(0, 1000, 8.1e6 * (1 + 1e-13)), result(0, 900, 8.1e6),
         false, false},
        {"no rate: more area", result(3, 0, 9.03e6), result(0, 0, 8.1e6), true, true},
        {"less parts area, more secondary area", result(0, 900, 8.1e6, 9.9e6), result(1, 900, 9.03e6), false,
         false},
        {"more parts area, less secondary area", result(1, 900, 9.03e6), result(0, 900, 8.1e6, 9.9e6), false,
         true},
        {"same parts area, more secondary area but dearer", result(0, 1000, 8.1e6, 9.9e6),
         result(0, 900, 8.1e6), false, false},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SearchReplaces(c.c, c.best, c.noRate), c.replaces);
    }
}

TEST(MergeSameLayouts, AddsTheBoardCountsOfIdenticalLayouts)
{
    auto layout = [](std::int32_t board, std::int32_t repeat, std::int32_t x) {
        COutData o;
        o.BoardNo = board;
        o.Repeat = repeat;
        o.Blocks.emplace_back(0, 0, x, 0, 1, 1, 0);
        o.Summary.push_back({0, 1, 0});
        return o;
    };
    std::vector<COutData> layouts = {layout(0, 2, 0), layout(1, 1, 0), layout(0, 3, 0),
                                     layout(0, 1, 5), layout(1, 4, 0), layout(0, 1, 0)};
    MergeSameLayouts(layouts);
    ASSERT_EQ(layouts.size(), 3u);
    EXPECT_EQ(layouts[0].Repeat, 6);
    EXPECT_EQ(layouts[1].Repeat, 5);
    EXPECT_EQ(layouts[2].Repeat, 1);
    EXPECT_EQ(layouts[2].Blocks[0].X, 5);
}
