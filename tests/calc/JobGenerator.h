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
#include <random>
#include <string>
#include <vector>

#include "calc/CalHaichi.h"
#include "calc/TestJob.h"

// Numbers drawn from a seed, the same with every standard library.
class Dice {
public:
    explicit Dice(std::uint32_t seed) : m_engine(seed) {}
    // lo..hi inclusive
    std::int32_t Between(std::int32_t lo, std::int32_t hi)
    {
        return lo + static_cast<std::int32_t>(m_engine() % static_cast<std::uint32_t>(hi - lo + 1));
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }
    template <class T>
    const T& Pick(const std::vector<T>& values)
    {
        return values[static_cast<std::size_t>(Between(0, static_cast<std::int32_t>(values.size()) - 1))];
    }

private:
    std::mt19937 m_engine;
};

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
    std::int64_t SubFillsCutShort = 0;  // over the groups' engines
    std::int64_t MostSubFills = 0;      // of any group's engine
};

// Builds the groups, and for each group makes an engine, prepares it (TestJob::Prepare) and runs
// Calculate on this thread.
JobRun RunEveryGroup(const TestJob& job, const std::function<std::unique_ptr<CCalHaichi>()>& makeEngine);
