#pragma once

// Random jobs with fixed seeds for the engine tests, and a run of every group of a job.
//
//     for (std::uint32_t seed = 1; seed <= 200; ++seed) {
//         SCOPED_TRACE("seed " + std::to_string(seed));
//         const TestJob job = GenerateJob(seed);
//         const JobRun run = RunEveryGroup(job, [] { return std::make_unique<CCal2>(...); });
//         ExpectValidResult(run.Ret, job, &run.LeftYBuzai);
//     }
//
// A seed always gives the same job (own arithmetic on std::mt19937, no library distributions).
// The jobs mix up to three kinds and two thicknesses, kerf 0, even and odd, trims, NoTurn parts,
// secondary parts, cutting limits below the board sizes, board stock counts, priorities and
// prices, and the engine settings NoRateFlg, NoUsenFlg, Use2ko1 and UseSmallPat. Sizes stay
// small enough for the recursive engines to finish quickly.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calc/CalHaichi.h"
#include "calc/TestJob.h"

TestJob GenerateJob(std::uint32_t seed);

// The stack engine tries four stacks with two or four ways of cutting each at every level of its
// recursion; on the larger generated jobs it runs for minutes. This keeps the variety of the
// generator (kerf, trims, limits, NoTurn, secondary parts, boards) with fewer and rarer parts.
TestJob FewerParts(TestJob job);

// One line describing the job, for failure messages.
std::string DescribeJob(const TestJob& job);

// What the run keeps of one job: the groups' results appended as the calculation run appends
// its winners (the unplaced parts over the cutting limit included), and per group what the
// engine left of the secondary parts and its final state.
struct JobRun {
    CRetData Ret;
    std::vector<CAL_BUZAI> LeftYBuzai;
    std::vector<int> States;
};

// Builds the groups, and for each group makes an engine, prepares it (TestJob::Prepare) and runs
// Calculate on this thread.
JobRun RunEveryGroup(const TestJob& job, const std::function<std::unique_ptr<CCalHaichi>()>& makeEngine);
