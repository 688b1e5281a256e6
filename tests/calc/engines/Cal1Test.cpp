#include "calc/engines/Cal1.h"

#include <gtest/gtest.h>

#include "calc/JobGenerator.h"
#include "calc/LayoutChecker.h"
#include "calc/TestJob.h"

namespace {

struct Variant {
    int candidateFlag;
    int areaFlag;
};
constexpr Variant kVariants[] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};

}  // namespace

TEST(Cal1Generated, EveryLayoutCanBeCut)
{
    for (std::uint32_t seed = 1; seed <= 250; ++seed) {
        const TestJob job = GenerateJob(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(job));
        for (const Variant& v : kVariants) {
            SCOPED_TRACE("candidate flag " + std::to_string(v.candidateFlag) + ", area flag " +
                         std::to_string(v.areaFlag));
            const JobRun run =
                RunEveryGroup(job, [&] { return std::make_unique<CCal1>(v.candidateFlag, v.areaFlag); });
            ExpectValidResult(run.Ret, job, &run.LeftYBuzai);
            for (int state : run.States) EXPECT_TRUE(state == 3 || state == 4) << "state " << state;
            if (::testing::Test::HasFailure())
                return;
        }
    }
}
