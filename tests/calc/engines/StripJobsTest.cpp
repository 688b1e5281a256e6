// Generated jobs through every variant of the strip engines, each result checked for a layout
// that could really be cut.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "calc/JobGenerator.h"
#include "calc/LayoutChecker.h"
#include "calc/engines/Cal2.h"
#include "calc/engines/Cal3.h"

namespace {

constexpr std::uint32_t kJobs = 300;
constexpr std::uint32_t kStackJobs = 200;

void RunJobs(const std::string& variant, bool smaller,
             const std::function<std::unique_ptr<CCalHaichi>()>& makeEngine)
{
    SCOPED_TRACE(variant);
    for (std::uint32_t seed = 1, jobs = smaller ? kStackJobs : kJobs; seed <= jobs; ++seed) {
        const TestJob job = smaller ? FewerParts(GenerateJob(seed)) : GenerateJob(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(job));
        const JobRun run = RunEveryGroup(job, makeEngine);
        ExpectValidResult(run.Ret, job, &run.LeftYBuzai);
        for (int state : run.States) {
            EXPECT_TRUE(state == 3 || state == 4) << "state " << state;
        }
        if (testing::Test::HasFailure()) {
            return;  // one job is enough to look at
        }
    }
}

}  // namespace

TEST(StripJobs, EveryStripVariantCutsValidLayouts)
{
    for (int level = 0; level <= 2; ++level) {
        for (int area = 0; area <= 1; ++area) {
            for (int order = 2; order >= 0; --order) {
                RunJobs("CCal2 level " + std::to_string(level) + " area " + std::to_string(area) + " order " +
                            std::to_string(order),
                        false, [=] {
                            auto engine = std::make_unique<CCal2>();
                            engine->Level = level;
                            engine->AreaFlag = area;
                            engine->Order = order;
                            return engine;
                        });
            }
        }
    }
}

TEST(StripJobs, EveryStackVariantCutsValidLayouts)
{
    for (int area = 0; area <= 1; ++area) {
        for (int second = 0; second <= 1; ++second) {
            for (int order = 2; order >= 0; --order) {
                RunJobs("CCal3 area " + std::to_string(area) + " second " + std::to_string(second) +
                            " order " + std::to_string(order),
                        true, [=] {
                            auto engine = std::make_unique<CCal3>();
                            engine->Level = 2;
                            engine->AreaFlag = area;
                            engine->SecondFlag = second;
                            engine->Order = order;
                            return engine;
                        });
            }
        }
    }
}
