#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/CalcRun.h"
#include "calc/JobGenerator.h"
#include "calc/LayoutChecker.h"
#include "calc/TestJob.h"
#include "calc/engines/Engines.h"
#include "fakes/RecordingPrompt.h"
#include "result/PlanChoice.h"

namespace {

struct PlannedRun {
    CalcRun::Outcome Outcome;
    CRetData Ret;
    std::vector<ResultPlan> Plans;
};

PlannedRun RunPlans(const TestJob& job, const Settings& settings)
{
    RecordingPrompt prompt;
    CalcRun run(job.Buzai, job.YBuzai, job.Genban, settings,
                [](const EngineVariant& v) { return MakeEngine(v); });
    PlannedRun planned;
    planned.Outcome = run.RunToEnd(planned.Ret, prompt, nullptr);
    planned.Plans = run.TakePlans();
    return planned;
}

}  // namespace

TEST(Plans, AreValidDistinctAndWithinTheTolerance)
{
    int jobsWithPlans = 0, fewerCuts = 0, patternPlans = 0;
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
        TestJob job = GenerateJob(seed);
        job.Set.TimeDisp = 0;
        job.Set.PlanTolerance = 10;
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(job));
        const PlannedRun run = RunPlans(job, job.Set);
        if (run.Outcome != CalcRun::Outcome::Placed) {
            EXPECT_TRUE(run.Plans.empty());
            continue;
        }
        ASSERT_FALSE(run.Plans.empty());
        const ResultPlan& cheapest = run.Plans[0];
        EXPECT_EQ(cheapest.Kind, PlanKind::Cheapest);
        EXPECT_TRUE(SameLayouts(cheapest.Ret, run.Ret));
        EXPECT_EQ(cheapest.Ret.TotalPrice, run.Ret.TotalPrice);
        jobsWithPlans += run.Plans.size() > 1 ? 1 : 0;
        for (std::size_t i = 0; i < run.Plans.size(); ++i) {
            const ResultPlan& plan = run.Plans[i];
            SCOPED_TRACE(PlanFileName(plan.Kind));
            ExpectValidResult(plan.Ret, job);
            EXPECT_TRUE(WithinPlanTolerance(plan.Ret, cheapest.Ret, 10, job.Set.NoRateFlg != 0));
            for (std::size_t k = 0; k < i; ++k) {
                EXPECT_FALSE(SameLayouts(plan.Ret, run.Plans[k].Ret)) << "the same as plan " << k;
                EXPECT_NE(plan.Kind, run.Plans[k].Kind);
            }
            if (plan.Kind == PlanKind::FewestCuts) {
                EXPECT_LE(plan.Figures.Cuts, cheapest.Figures.Cuts);
                fewerCuts += plan.Figures.Cuts < cheapest.Figures.Cuts ? 1 : 0;
            }
            if (plan.Kind == PlanKind::FewestPatterns) {
                // As few patterns as the result at least; on a tie, fewer cuts or a lower price.
                EXPECT_LE(plan.Figures.Patterns, cheapest.Figures.Patterns);
                ++patternPlans;
            }
        }
    }
    // The generated jobs do give plans of both kinds.
    EXPECT_GT(jobsWithPlans, 0);
    EXPECT_GT(fewerCuts, 0);
    EXPECT_GT(patternPlans, 0);
}

TEST(Plans, FewerCutsOnATieKeepsThePriceAndNeverCutsMore)
{
    int changed = 0;
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
        TestJob job = GenerateJob(seed);
        job.Set.TimeDisp = 0;
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(job));
        const PlannedRun plain = RunPlans(job, job.Set);
        Settings tie = job.Set;
        tie.FewerCutsOnTie = 1;
        const PlannedRun fewer = RunPlans(job, tie);
        ASSERT_EQ(plain.Outcome, fewer.Outcome);
        if (plain.Outcome != CalcRun::Outcome::Placed) {
            continue;
        }
        ExpectValidResult(fewer.Ret, job);
        EXPECT_EQ(fewer.Ret.TotalPrice, plain.Ret.TotalPrice);
        EXPECT_DOUBLE_EQ(fewer.Ret.PartsArea, plain.Ret.PartsArea);
        EXPECT_DOUBLE_EQ(fewer.Ret.BoardArea, plain.Ret.BoardArea);
        EXPECT_LE(fewer.Plans[0].Figures.Cuts, plain.Plans[0].Figures.Cuts);
        changed += SameLayouts(fewer.Ret, plain.Ret) ? 0 : 1;
    }
    EXPECT_GT(changed, 0);
}
