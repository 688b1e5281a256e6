#include <gtest/gtest.h>

#include "calc/CalcRun.h"
#include "calc/LayoutChecker.h"
#include "calc/TestJob.h"
#include "calc/engines/Engines.h"
#include "fakes/RecordingPrompt.h"
#include "job/TableFile.h"
#include "result/RetData.h"

// The largest values the files accept, through every engine kind at its deepest level, with no
// kerf and with the largest kerf: nothing may overflow (the sanitizer builds check the
// arithmetic) and every layout must still be one that can be cut.
TEST(ExtremeJob, LargestAcceptedValuesStayWithinTheArithmetic)
{
    const std::int32_t max = kMaxLengthTenths;
    for (const std::int32_t kerf : {0, 99999}) {
        TestJob job;
        job.Board(max, max, kMaxBoardCount, 0, kMaxPrice)
            .Board(max, 2, kMaxBoardCount, 1, kMaxPrice)
            .Board(max, max, kMaxBoardCount, 2, kMaxPrice)
            .Trim(max / 2, max / 2 - 1, 0, max - 1)
            .Parts(max, 1, kMaxPartCount)
            .Parts(1, 1, kMaxPartCount)
            .Parts(max, max, kMaxPartCount, 1)
            .Kerf(kerf);
        job.Set.MaxCutSize = max;
        for (CGenban& board : job.Genban.Items) {
            board.Use = 1;
        }
        for (const EngineVariant variant : {EngineVariant{1, 0, 0, 1, 1}, EngineVariant{2, 2, 2, 1, 0},
                                            EngineVariant{3, 2, 2, 1, 1}, EngineVariant{4, 2, 3, 1, 1}}) {
            SCOPED_TRACE("kerf " + std::to_string(kerf) + ", engine " + std::to_string(variant.Kind));
            CalcRun run(job.Buzai, job.YBuzai, job.Genban, job.Set, MakeEngine);
            run.RunOnly({variant});
            CRetData ret;
            RecordingPrompt prompt;
            const CalcRun::Outcome outcome = run.RunToEnd(ret, prompt, nullptr);
            ASSERT_NE(outcome, CalcRun::Outcome::Failed) << run.FailureText();
            ExpectValidResult(ret, job);
            EXPECT_GE(ret.TotalPrice, 0);
        }
    }
}
