#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/Settings.h"
#include "calc/CalData.h"
#include "calc/EngineVariant.h"
#include "calc/MessageSink.h"
#include "calc/SameRows.h"
#include "result/PlanChoice.h"

class CBuzaiList;
class CGenbanList;
class CCalHaichi;
class CRetData;
class COutData;
struct RET_GROUP;
class Prompt;

// The engine variants of one group, in job order, for the given settings.
std::vector<EngineVariant> JobVariants(const Settings& settings);

// A new engine with its variant parameters set (and nothing else).
using EngineFactory = std::function<std::unique_ptr<CCalHaichi>(const EngineVariant&)>;

// Identical layouts become one, their board counts added; the first keeps its place.
void MergeSameLayouts(std::vector<COutData>& layouts);

// The index into `variants` of a group's first job: the quickest strip job (the lowest level,
// then length fill effort, then part order), else the first variant.
std::size_t FirstJobOf(const std::vector<EngineVariant>& variants);

// "HH:MM:SS" of a span, hours within the day.
std::string FormatElapsed(std::chrono::seconds elapsed);

// The layout calculation: every engine job on worker threads, at most Settings::MaxCalNum at once.
// The caller drives it from its own thread: Start, then Poll until it returns false (showing
// ProgressText and TakeMessages in between and calling RequestAbort for 中断), then Finish.
// Start and Poll never block the caller for longer than it takes to start a thread; Finish
// waits until every started job has ended (after RequestAbort, until the engines have stopped).
class CalcRun {
public:
    enum class Outcome { Placed, NothingPlaced, Aborted, Failed };

    CalcRun(const CBuzaiList& buzai, const CBuzaiList& ybuzai, const CGenbanList& genban,
            const Settings& settings, EngineFactory factory);
    ~CalcRun();  // stops and joins whatever still runs
    CalcRun(const CalcRun&) = delete;
    CalcRun& operator=(const CalcRun&) = delete;

    using Clock = std::chrono::steady_clock;

    // Runs just these variants per group, in this order, instead of the job list (diagnosis).
    void RunOnly(std::vector<EngineVariant> variants) { m_only = std::move(variants); }
    // 現在の結果で確定 once `limit` has passed since Start, read from `clock` (the steady clock
    // when empty; tests count with it).
    void SetTimeLimit(std::chrono::duration<double> limit, std::function<Clock::time_point()> clock = {});

    // Empties `result`, builds the groups (parts over the cutting limit go to its unplaced parts)
    // and the job list, and starts the first jobs. Boards take part when their Use flag is set.
    void Start(CRetData& result);
    // One pass of the scheduling loop: removes finished jobs, starts the next ones.
    // False once every job has ended (or, after an abort, every running job has stopped).
    bool Poll();
    void RequestAbort();
    bool AbortRequested() const { return m_aborted; }
    // 現在の結果で確定: no further job starts and the running ones are stopped, except each
    // group's first job (its quickest strip job), which starts and runs to its end if it has not
    // ended yet; Finish takes the best result of the jobs that had ended, as if they had been the
    // whole job list, so every group has a complete result.
    void TakeCurrent();
    // Groups whose first job has not ended: after TakeCurrent the run is waiting for them.
    int GroupsWaitedFor() const;
    bool TakingCurrent() const { return m_takeCurrent; }

    // What the ended jobs give so far: the best result of each group, as Finish would choose it.
    struct Standing {
        int Groups = 0;
        int GroupsEnded = 0;       // every job of the group has ended
        int GroupsWithResult = 0;  // some job of the group has a result
        std::int64_t Boards = 0;   // sheets of the groups with a result
        double PartsYield = 0.0;
        std::int64_t Price = 0;
        std::int64_t Unplaced = 0;  // pieces, those of groups without a result included
    };
    Standing BestSoFar() const { return m_standing; }
    // "現在の最良 原板 %d枚 歩留まり %.1f%% 金額 %s円 グループ %d/%d 完了"; "" before any result.
    std::string BestSoFarText() const;
    std::size_t EndedCount() const { return m_ended; }
    // The variants whose jobs ended with a result, per group, in job list order (after Finish).
    const std::vector<std::vector<EngineVariant>>& EndedVariants() const { return m_endedVariants; }

    std::size_t JobCount() const { return m_jobs.size(); }
    std::size_t RunningCount() const { return m_running.size(); }
    std::size_t MostRunningAtOnce() const { return m_mostRunning; }
    int Percent() const;
    // "進行度 %3d%% 経過時間 %s"
    std::string ProgressText() const;
    // Engine messages posted since the last call; show them on the caller's thread.
    std::vector<std::string> TakeMessages() { return m_messages.TakeAll(); }

    // Polls every millisecond until every started job has ended (blocking the caller), then:
    // the best result of every group into `result`, finalised and with
    // identical layouts merged; shows the time (TimeDisp) and "nothing placed" through `prompt`.
    Outcome Finish(CRetData& result, Prompt& prompt);
    // Board layouts of the finished run whose search a budget ended early, over every engine job.
    std::int64_t SearchCutShort() const { return m_searchCutShort; }
    // The same for the block engine's budget of sub-fills (not in SearchCutShort).
    std::int64_t SubFillsCutShort() const { return m_subFillsCutShort; }
    // The most sub-fills the block engine computed for one board layout.
    std::int64_t MostSubFills() const { return m_mostSubFills; }
    // 配置候補 of the finished run (Outcome::Placed): the result first (PlanKind::Cheapest), then
    // the fewest cuts and the fewest patterns within Settings::PlanTolerance where they differ
    // from the plans before them. Empty after another outcome.
    std::vector<ResultPlan> TakePlans() { return std::move(m_plans); }
    // The failure of an engine job that ended in an internal error (Outcome::Failed).
    std::string FailureText() const { return m_failure; }

    // Start, Poll every millisecond until done, Finish. `tick` is called after every poll and may
    // request the abort by returning true.
    Outcome RunToEnd(CRetData& result, Prompt& prompt, const std::function<bool(CalcRun&)>& tick);

private:
    struct Job;
    void Reap();
    // The result Finish takes for group g: the best of its ended jobs in job list order.
    const CRetData* GroupBest(std::size_t g) const;
    void UpdateStanding();
    // The results of group g's ended jobs that a plan may take, each split onto its part rows:
    // the group's best first, then those within the plan tolerance of it in job list order,
    // each layout set once. Empty when no job of the group ended.
    std::vector<CRetData> GroupCandidates(std::size_t g) const;
    // One result of the job from a pick per group (into `result`, which holds the parts the run
    // left out at its start): finalised, identical layouts merged, the groups' progress and the
    // bound.
    void AssemblePlan(const std::vector<const CRetData*>& picks, CRetData& result) const;
    // The result (the cheapest plan, or the fewest cuts of a tie with FewerCutsOnTie) into
    // `result`, which holds the parts the run left out at its start, and m_plans; each with its
    // saw plan kept (PlanSawing).
    void MakePlans(CRetData& result);
    // Kind, thickness and how many jobs ended, per group.
    std::vector<RET_GROUP> GroupProgress() const;

    const CBuzaiList& m_buzai;
    const CBuzaiList& m_ybuzai;
    const CGenbanList& m_genban;
    Settings m_settings;
    EngineFactory m_factory;
    std::optional<std::vector<EngineVariant>> m_only;
    std::optional<std::chrono::duration<double>> m_timeLimit;
    std::function<Clock::time_point()> m_clock;
    bool m_takeCurrent = false;
    std::size_t m_ended = 0;  // jobs ended
    Standing m_standing;
    std::vector<std::vector<EngineVariant>> m_endedVariants;
    std::vector<CCalData> m_groups;
    std::vector<std::vector<SameRows>> m_sameRows;  // per group: its merged part rows
    std::vector<std::unique_ptr<Job>> m_jobs;  // in job list order, group by group
    std::vector<std::size_t> m_order;          // start order: indexes into m_jobs
    std::vector<std::size_t> m_first;          // per group: its first job, an index into m_jobs
    std::vector<char> m_waited;                // per group: the stop came before its first job ended
    std::vector<Job*> m_running;               // in start order
    std::size_t m_next = 0;
    std::size_t m_mostRunning = 0;
    long long m_finished = 0;  // 100 per ended job
    bool m_aborted = false;
    std::string m_failure;
    std::int64_t m_searchCutShort = 0;
    std::int64_t m_subFillsCutShort = 0;
    std::int64_t m_mostSubFills = 0;
    MessageQueue m_messages;
    std::vector<ResultPlan> m_plans;
    std::chrono::steady_clock::time_point m_start;
    Clock::time_point m_limitStart;  // m_start by the time limit's clock
};
