#pragma once

#include <algorithm>
#include <cstdint>

// The search engine's limits by effort 1..5 (index EffortIndex). All of them are counts, so that
// a result never depends on the speed of the machine or the number of threads.
namespace searcheffort {

inline int EffortIndex(int effort)
{
    return std::clamp(effort, 1, 5) - 1;
}

// Beam width and branching of the board search.
inline constexpr int kBeam[5] = {4, 16, 30, 40, 60};
inline constexpr int kBranch[5] = {3, 6, 10, 12, 14};
// Runs of the schedule, shared by the jobs of a group.
inline constexpr int kRuns[5] = {2, 16, 48, 96, 160};
// The piece values of the runs, in turn: {power of the area, bonus for the longer side}.
inline constexpr double kRunValues[8][2] = {{1.0, 0.0}, {1.2, 0.0}, {1.0, 0.5}, {1.1, 0.3},
                                            {1.3, 0.0}, {0.9, 0.0}, {1.0, 1.0}, {1.15, 0.6}};
// Knapsack cells of the effort: the measure of the job's limits below.
inline constexpr std::int64_t kWork[5] = {30000000, 100000000, 300000000, 1000000000, 3000000000};
// A run that visits this many times the effort's cells gives up, and no later run counts; the
// next run's values get one try in its place.
inline constexpr std::int64_t kWorkLimit = 16;
// The runs' effort is lowered while the first board's cells times the boards the parts need
// exceed this many times the cells of the runs together: a job of hundreds of pieces would
// otherwise spend its cells on one run, or pass the work limit without a result.
inline constexpr std::int64_t kProbeShare = 8;
// On one board kind, where only whole boards count, the group's runs start no further run once
// they visited the effort's cells times the search jobs divided by this (otherwise once they
// visited all of them). The
// first runs find nearly every board the later ones do: on the 2BP instances all of them with a
// sixth of the cells, and the later runs are where the seconds go.
inline constexpr std::int64_t kRunShare = 3;
// A group on one board kind of at most this many pieces is searched at the next effort: a board
// fewer is all it can gain, and the deeper search of so few pieces costs a second or two (2BP
// without rotation, C07_n40_02: 12 boards instead of 13).
inline constexpr int kSmallJobPieces = 40;
// The emptiest boards laid out again on one board fewer: up to this many together, each set
// with this many valued runs.
inline constexpr int kRepackBoards = 5;
inline constexpr int kRepackTries[5] = {2, 4, 8, 12, 16};
// Knapsack cells all of these layouts together may visit: the effort's cells divided by this,
// half what the runs get. Nearly full boards seldom go onto one fewer, and each try is a whole
// search.
inline constexpr std::int64_t kRepackShare = 6;

// Secondary parts only fill what the parts leave: their value is their area times this.
inline constexpr double kSecondaryWeight = 1e-6;

}  // namespace searcheffort
