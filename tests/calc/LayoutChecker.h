#pragma once

// The layout checker: whether a result could be cut from the boards of its job.
//
// Use it on every engine result, after building the job with TestJob (and JobGenerator):
//
//     const TestJob job = TestJob().Board(1000, 500).Kerf(5).Parts(300, 500, 3);
//     const CRetData ret = RunEngine(engine, job);            // one group
//     ExpectValidResult(ret, job);
//
//     const JobRun run = RunEveryGroup(job, [] { return std::make_unique<CCal1>(1, 0); });
//     ExpectValidResult(run.Ret, job, &run.LeftYBuzai);   // the whole job, secondary parts too
//
// For one board straight out of LayoutBoard (no summary or yields yet) use ExpectValidLayout.
// Failures are GoogleTest failures naming the layout, the block and the rule broken.

#include <cstdint>
#include <vector>

#include "calc/CalData.h"
#include "calc/TestJob.h"
#include "result/OutData.h"
#include "result/RetData.h"

// One board layout against the job: every piece lies inside the trimmed board; pieces of
// different blocks are at least the kerf apart along x or y (so they never overlap); blocks name
// an existing part of the board's kind and thickness, have nx, ny >= 1 and turn no NoTurn part;
// no cut line runs through a piece; the two areas agree with the blocks. With `finished`, the
// summary and the two yields agree too (COutData::Finish).
void ExpectValidLayout(const COutData& layout, const TestJob& job, bool finished = true);

// A whole result against the job: ExpectValidLayout on every layout with a repeat count >= 1;
// every part placed + unplaced = its count, unplaced entries well formed; secondary parts never
// placed more often than they exist and, with `leftYBuzai` (all groups' leftovers), placed + left
// = count for every secondary part that went into a group; no board cut more often than its
// count nor one that was not selected; the result's six totals agree with its layouts.
void ExpectValidResult(const CRetData& ret, const TestJob& job,
                       const std::vector<CAL_BUZAI>* leftYBuzai = nullptr);
