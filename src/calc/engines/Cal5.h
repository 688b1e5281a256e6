#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "calc/CalHaichi.h"
#include "calc/engines/SearchEffort.h"

// The search engine (さらに探索する). Every board is filled by the beam search of BoardSearch.h
// over staged guillotine patterns; the machining method sets the stages (level 0 two, 1 three,
// 2 and 3 four). The group is laid out several times with different piece values, each time
// board by board through the base; the best run is kept (Cal5Schedule.cpp). The first task of the
// schedule chooses patterns for the whole group together (PatternCover.h) and lays out what they
// leave. The group's search jobs share the schedule's tasks (RunShare).
// With one board kind, the emptiest boards are then laid out again on fewer (Cal5Repack.cpp).
//
// All limits are counts (beam width, branching, runs; SearchEffort.h), so a result never depends
// on the speed of the machine or the number of threads; the only clock is a safety cap on
// starting more runs.
class CCal5 : public CCalHaichi {
public:
    int Level = 3;        // machining method (CutLV)
    int Effort = 3;       // 1..5
    int Job = 0;          // this job's number among the group's search jobs
    int Jobs = 1;         // the group's search jobs (JoinGroupJob links them)
    bool Single = false;  // one run with the values below (the runs and the improvement passes)
    double Power = 1.0;   // a piece is worth area^Power
    double Bonus = 0.0;   // ... times 1 + Bonus × (longer side ÷ longer board side)
    double Noise = 0.0;   // ... times 1 ± Noise, by part, different for every Seed
    std::uint32_t Seed = 0;
    bool Cover = true;  // the last job first chooses patterns for the whole group together
    // Knapsack cells the emptiest boards' new layouts may visit together; 0: the effort's share.
    std::int64_t RepackBudget = 0;
    // A group on one board kind of at most this many pieces is searched an effort deeper
    // (kSmallJobPieces; tests set 0 to keep the effort they give).
    int SmallJobPieces = searcheffort::kSmallJobPieces;

    void SetCalData(const CCalData& data) override;
    // Without Single: the runs of this job, the best kept. With Single: the base layout.
    void Calculate() override;
    // The best pattern of the beam search over both strip directions the cutting limit allows.
    int LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                    const CalRect& rect) override;
    // With fewer patterns only the divisors 2 and 3 are tried.
    int LayoutBoardBest(std::int32_t available, const BuzaiLists& remaining, BuzaiLists& left,
                        COutData& layout, const CalRect& rect) override;
    // A single run with the same level, effort and values.
    std::unique_ptr<CCalHaichi> CreateInstance() const override;
    // The search jobs of a group share one schedule (RunShare).
    void JoinGroupJob(CCalHaichi& before) override;

    // Patterns for the whole group at once (PatternCover), what they leave laid out board by
    // board by a single run. Not tried with fewer than two pieces a part on average. Adds its
    // knapsack cells to `work`; false when it gives no result.
    bool CoverByPatterns(CRetData& out, std::vector<CAL_BUZAI>& outLeft, int& outState, std::int64_t& work);

    // The runs of the schedule of an effort: how many, and the values of run r.
    static int RunCount(int effort);
    static void RunValues(int run, CCal5& engine);

private:
    // What one task of the schedule made: the patterns chosen together (task 0) or run t - 1.
    struct RunSlot {
        bool Made = false;    // a result to compare
        bool GaveUp = false;  // the run passed the work limit
        CRetData Ret;
        std::vector<CAL_BUZAI> Left;
        int State = 0;
        std::int64_t Work = 0;  // knapsack cells
    };
    // The runs' effort (RunEffort) and the cells a run is expected to visit.
    struct RunProbe {
        int Effort = 1;
        std::int64_t Estimate = 0;
    };
    // The schedule of a group's search jobs. Each job takes the next task; the tasks are decided
    // in their order (whether a run counts depends only on the tasks before it), so the result is
    // the same whichever job made which task, on any number of threads. The job that decides the
    // last task lays out the best; the others end without a result.
    struct RunShare {
        std::mutex Lock;
        std::vector<std::optional<RunSlot>> Slots;  // done, not yet decided
        std::int64_t DoneWork = 0;                  // cells of every run done, decided or not
        int DoneRuns = 0;                           // those runs
        int Next = 0;                               // the next task to take
        int Decided = 0;                            // tasks decided
        int StopAt = 1 << 30;                       // no task from here on counts
        bool Owned = false;                         // all decided; a job lays out the best
        std::optional<CRetData> Best;
        std::vector<CAL_BUZAI> BestLeft;
        int BestState = 0;
        std::int64_t Work = 0;  // cells of the decided runs
        std::int64_t CutShort = 0;
        std::mutex ProbeLock;  // held while the first job to take a run probes
        std::optional<RunProbe> Probe;
    };
    // The effort of the runs: the job's, or lower while a run would visit more than kProbeShare
    // times the runs' cells, told by the cells of the first board times the boards the parts'
    // area needs. The same for every job of the group. `estimate`: the cells a run at the effort
    // returned is expected to visit, those times the board entries of the level (0 when nothing
    // was probed).
    int RunEffort(std::int64_t runWork, std::int64_t& estimate);
    // RunEffort once for the group's jobs: the others wait for the first.
    RunProbe SharedProbe(RunShare& share, std::int64_t runWork);
    // Whether the next task is expected to count, under share.Lock: not when the runs before it
    // that are not decided yet (each while it runs as the runs done so far on average, before
    // any as estimated) pass the cells of the runs. A job
    // that finds it not worth starting ends (the others decide the rest, with the same result), so
    // that its thread goes to other jobs instead of a run that would not count.
    static bool WorthStarting(const RunShare& share, std::int64_t runWork, std::int64_t runEstimate);
    // Decides the done tasks in order, under share.Lock; true for the job that decided the last.
    bool DecideRuns(RunShare& share, std::int64_t bound, std::int64_t runWork) const;

    // The boards the parts' area needs when the group has one board entry (no run can do with
    // fewer), else 0.
    std::int64_t OneKindBound() const;
    // The group's schedule for this job, with `tasks` slots (a schedule of its own unless joined).
    RunShare& JoinSchedule(int tasks);
    // Takes the schedule's tasks until none is left to count or another job decides the last;
    // true for the job that decided the last (it lays out the best).
    bool TakeTasks(RunShare& share, std::int64_t bound, std::int64_t runWork, int tasks);
    // Task t: the patterns chosen together (0) or run t - 1 at the probed effort.
    RunSlot RunTask(int t, const std::optional<RunProbe>& probe);
    // The improvement passes on the best run, each undone when it makes the result dearer.
    void ImproveBest();
    // A single run of this job: its run settings, stage level, effort and stop.
    void PrepareRun(CCal5& run) const;
    // The parts of the m emptiest boards (m = 2, 3, ...) laid out again on m - 1 boards of the
    // same kind; kept when every part finds a place. Ends at `bound` boards or past the budget
    // (counted in SearchCutShort).
    void RepackEmptiest(std::int64_t bound);
    // With several board kinds: the pieces of the m emptiest boards (m = 1, 2, ...) laid out again
    // on any boards of the group in stock, the priorities kept; kept when every piece finds a place
    // on boards that cost less (BoardCost) than the m boards. Ends past the budget.
    void RepackAcrossKinds();
    // One try of a repack: run `values` of the schedule an effort deeper on `group` (with
    // `oneEntry` the entry's priority and the attempts on fewer parts left out), its cells counted
    // in `work` up to `budget`. Whether it placed every part.
    bool RepackTry(CCal5& run, int values, const CCalData& group, std::int64_t& work, std::int64_t budget,
                   bool oneEntry) const;
    // What a board costs in the search's choices: its price, or its area when prices are left out
    // or a board of the group has none.
    double BoardCost(std::int32_t boardNo) const;
    // The repacks' steps: the layouts cut once, emptiest first; a layout's pieces added to the
    // group's parts; the layouts at `replaced` giving way to the run's, which placed every piece.
    std::vector<std::size_t> SingleLayoutsEmptiestFirst() const;
    static void AddPiecesOf(const COutData& layout, CCalData& group);
    void ReplaceLayouts(std::vector<std::size_t> replaced, CCal5& run);
    // Lays what is left unplaced out on the boards still in stock on which a piece of it fits,
    // until none is left or no such board remains.
    void FillStock();
    // Whether run c replaces the best run so far (SearchReplaces): under limited stock the most
    // parts area placed, else as the group chooses among the engines (ReplacesBest). The group
    // takes the search's result over the other engines' choice by the same rule.
    bool RunReplaces(const CRetData& c, const CRetData& best) const;
    // Result c costs more than `than`: the board prices, or the board area when prices are left
    // out or none is given.
    bool Dearer(const CRetData& c, const CRetData& than) const;

    // The area of all pieces of the group's parts (list 0).
    static double GroupPartsArea(const CCalHaichi& engine, const CCalData& group);
    static std::int64_t BoardsUsed(const CRetData& ret);

    const std::atomic<int>* m_outerStop = nullptr;  // the stop request of the job that runs this one
    std::int64_t* m_work = nullptr;                 // knapsack cells of all runs of the job
    std::int64_t m_workLimit = 0;                   // a run gives up past it; 0: none
    std::int32_t m_boardSide = 1;                   // longer side of the largest trimmed board
    std::shared_ptr<RunShare> m_share;              // with the group's other search jobs
    bool m_shareJoined = false;                     // false: a schedule of its own per Calculate
};
