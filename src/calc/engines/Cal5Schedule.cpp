#include "calc/engines/Cal5.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <utility>

#include "calc/engines/SearchEffort.h"
#include "job/Genban.h"
#include "result/ResultOrder.h"

using namespace searcheffort;

namespace {

// No further run starts after this long (a safety cap; the effort limits the work).
constexpr std::chrono::seconds kRunCap{60};

}  // namespace

double CCal5::GroupPartsArea(const CCalHaichi& engine, const CCalData& group)
{
    double area = 0.0;
    for (const CAL_BUZAI& e : group.Buzai[0]) {
        const CBuzai& part = engine.Part(0, e.Number);
        area += static_cast<double>(part.Width) * part.Height * e.Count;
    }
    return area;
}

std::int64_t CCal5::BoardsUsed(const CRetData& ret)
{
    std::int64_t boards = 0;
    for (const COutData& layout : ret.Layouts) {
        boards += layout.Repeat;
    }
    return boards;
}

std::int64_t CCal5::OneKindBound() const
{
    std::vector<const CAL_GENBAN*> entries;
    for (const auto& level : CalData.Genban) {
        for (const CAL_GENBAN& entry : level) {
            entries.push_back(&entry);
        }
    }
    if (entries.size() != 1) {
        return 0;
    }
    const CalRect rect = TrimmedRect(Board(entries[0]->Number));
    const double area = static_cast<double>(rect.Width()) * rect.Height();
    if (area <= 0.0) {
        return 0;
    }
    return static_cast<std::int64_t>(std::ceil(GroupPartsArea(*this, CalData) / area - 1e-9));
}

CCal5::RunShare& CCal5::JoinSchedule(int tasks)
{
    if (!m_shareJoined || !m_share) {
        m_share = std::make_shared<RunShare>();
    }
    RunShare& share = *m_share;
    const std::lock_guard<std::mutex> hold(share.Lock);
    if (share.Slots.empty()) {
        share.Slots.resize(static_cast<std::size_t>(tasks));
    }
    return share;
}

CCal5::RunSlot CCal5::RunTask(int t, const std::optional<RunProbe>& probe)
{
    RunSlot slot;
    if (t == 0) {
        std::int64_t coverWork = 0;
        slot.Made = Cover && CoverByPatterns(slot.Ret, slot.Left, slot.State, coverWork);
        return slot;
    }
    std::optional<CCal5> run;
    // A run that gives up has passed the runs' cells, so no later task counts; its values, not
    // the job, may be what made it so long, so the next run's values get one try in its place,
    // with a work limit of their own.
    std::int64_t retryWork = 0;
    for (int values = t - 1; values <= t && !StopRequest; ++values) {
        run.emplace();
        PrepareRun(*run);
        run->Improve = 0;  // once on the best run below
        RunValues(values, *run);
        run->Effort = probe->Effort;
        run->m_work = values < t ? &slot.Work : &retryWork;
        run->m_workLimit = kWork[EffortIndex(Effort)] * kWorkLimit;
        run->Reset();
        run->SetCalData(CalData);
        run->Calculate();
        if (run->State != kStateStopped) {
            break;
        }
    }
    slot.Work += retryWork;
    slot.GaveUp = !run || run->State == kStateStopped;
    slot.Made = !slot.GaveUp;
    if (slot.Made) {
        slot.Ret = std::move(run->Ret);
        slot.Left = std::move(run->LeftYBuzai);
        slot.State = run->State;
    }
    return slot;
}

bool CCal5::TakeTasks(RunShare& share, std::int64_t bound, std::int64_t runWork, int tasks)
{
    const auto start = std::chrono::steady_clock::now();
    // The runs' effort, probed by the first job to take a run.
    std::optional<RunProbe> probe;
    const int jobs = std::max(1, Jobs);
    int done = 0;
    bool owner = false;
    while (!StopRequest && !owner) {
        int t = 0;
        {
            const std::lock_guard<std::mutex> hold(share.Lock);
            // A safety cap on starting runs (the effort limits the work).
            if (share.Best && std::chrono::steady_clock::now() - start > kRunCap) {
                share.StopAt = std::min(share.StopAt, std::max(share.Next, 1));
            }
            // What is decided may end the schedule without another task.
            owner = DecideRuns(share, bound, runWork);
            // Runs done before the next one already passed the cells of the runs: it cannot
            // count (the job that finishes the runs before it decides).
            if (owner || share.Owned || share.Next >= std::min(tasks, share.StopAt) ||
                (share.Next > 1 && share.Best && share.DoneWork > runWork)) {
                break;
            }
            if (share.Next >= 1 && !probe) {
                t = -1;  // the runs' effort first
            } else if (!WorthStarting(share, runWork, probe ? probe->Estimate : 0)) {
                break;
            } else {
                t = share.Next++;
            }
        }
        if (t < 0) {
            probe = SharedProbe(share, runWork);
            continue;
        }
        RunSlot slot = RunTask(t, probe);
        if (StopRequest) {
            break;
        }
        ++done;
        SetProgress(std::min(99, done * 100 * jobs / tasks));
        const std::lock_guard<std::mutex> hold(share.Lock);
        share.DoneWork += slot.Work;
        share.DoneRuns += t > 0 ? 1 : 0;
        share.Slots[static_cast<std::size_t>(t)] = std::move(slot);
        owner = DecideRuns(share, bound, runWork);
    }
    return owner;
}

void CCal5::ImproveBest()
{
    // The boards the best run left in stock.
    GenbanLists boards = CalData.Genban;
    for (const COutData& layout : Ret.Layouts) {
        for (auto& level : boards) {
            for (CAL_GENBAN& entry : level) {
                if (entry.Number == layout.BoardNo) {
                    entry.Count -= layout.Repeat;
                }
            }
        }
    }
    CCal5 aux;
    aux.Level = Level;
    aux.Effort = Effort;
    aux.Single = true;
    aux.Power = 1.0;
    aux.m_outerStop = &StopRequest;
    aux.m_boardSide = m_boardSide;
    // A pass that makes the result dearer (two cheap boards onto one dear) is undone.
    const auto keepCheaper = [&](auto pass) {
        CRetData before = Ret;
        GenbanLists boardsBefore = boards;
        std::vector<CAL_BUZAI> leftBefore = LeftYBuzai;
        pass();
        Ret.ComputeTotals();
        if (!StopRequest && Dearer(Ret, before)) {
            Ret = std::move(before);
            boards = std::move(boardsBefore);
            LeftYBuzai = std::move(leftBefore);
        }
    };
    keepCheaper([&] { ImproveWorstBoard(aux, boards, LeftYBuzai); });
    keepCheaper([&] { MergeBoardPairs(aux, boards, LeftYBuzai); });
    keepCheaper([&] { ImproveWorstBoard(aux, boards, LeftYBuzai); });
    if (StopRequest) {
        State = kStateStopped;
    }
    Ret.ComputeTotals();
}

void CCal5::Calculate()
{
    if (Single) {
        CCalHaichi::Calculate();
        return;
    }
    struct RunningReset {
        std::atomic<int>& flag;
        ~RunningReset() { flag = 0; }
    } runningReset{Running};

    SetProgress(0);
    State = kStateRunning;
    Ret.Clear();
    Ret.BuzaiList = BuzaiList;
    Ret.YBuzaiList = YBuzaiList;
    Ret.GenbanList = GenbanList;

    const std::int64_t bound = OneKindBound();
    // A small job on one board kind is searched an effort deeper, the job's effort given back
    // at the end.
    struct EffortBack {
        int& effort;
        int value;
        ~EffortBack() { effort = value; }
    } effortBack{Effort, Effort};
    std::int64_t pieces = 0;
    for (const CAL_BUZAI& e : CalData.Buzai[0]) {
        pieces += e.Count;
    }
    if (bound > 0 && pieces <= SmallJobPieces) {
        Effort = std::min(5, Effort + 1);
    }
    // The runs of the group's jobs together visit the effort's cells once per job.
    const int tasks = RunCount(Effort) + 1;  // task 0: the patterns chosen together, then the runs
    const std::int64_t runWork = kWork[EffortIndex(Effort)] * std::max(1, Jobs) / (bound > 0 ? kRunShare : 1);
    RunShare& share = JoinSchedule(tasks);
    const bool owner = TakeTasks(share, bound, runWork, tasks);
    if (StopRequest) {
        State = kStateStopped;
        return;
    }
    if (!owner) {
        // Another job of the group lays out the best run.
        State = kStateStopped;
        SetProgress(100);
        return;
    }
    SearchCutShort += share.CutShort;
    if (!share.Best) {
        State = kStateStopped;
        return;
    }
    Ret = std::move(*share.Best);
    LeftYBuzai = std::move(share.BestLeft);
    State = share.BestState;
    if (bound > 0 && !(Ret.Unplaced.empty() && BoardsUsed(Ret) <= bound)) {
        RepackEmptiest(bound);
    }
    if (Improve == 1 && !(bound > 0 && Ret.Unplaced.empty() && BoardsUsed(Ret) <= bound)) {
        ImproveBest();
    }
    if (bound == 0 && !StopRequest) {
        RepackAcrossKinds();
    }
    if (!StopRequest) {
        FillStock();
    }
}

int CCal5::RunEffort(std::int64_t runWork, std::int64_t& estimate)
{
    estimate = 0;
    // The first board the runs lay out: the most preferred level's first entry.
    const CAL_GENBAN* first = nullptr;
    std::size_t kinds = 1;  // a run lays each board out on every entry of the level
    for (int level = 2; level >= 0 && !first; --level) {
        if (!CalData.Genban[static_cast<std::size_t>(level)].empty()) {
            first = &CalData.Genban[static_cast<std::size_t>(level)].front();
            kinds = CalData.Genban[static_cast<std::size_t>(level)].size();
        }
    }
    if (!first || CalData.Buzai[0].empty()) {
        return Effort;
    }
    const CalRect rect = TrimmedRect(Board(first->Number));
    const double area = static_cast<double>(rect.Width()) * rect.Height();
    if (!(area > 0.0)) {
        return Effort;
    }
    // No more boards than the stock holds.
    double stock = 0.0;
    for (const auto& level : CalData.Genban) {
        for (const CAL_GENBAN& entry : level) {
            stock += std::max(0, entry.Count);
        }
    }
    const double boards = std::clamp(std::ceil(GroupPartsArea(*this, CalData) / area), 1.0, std::max(1.0, stock));
    int effort = std::clamp(Effort, 1, 5);
    for (; effort > 1 && !StopRequest; --effort) {
        CCal5 probe;
        PrepareRun(probe);
        probe.Effort = effort;
        RunValues(0, probe);
        std::int64_t cells = 0;
        probe.m_work = &cells;
        probe.Reset();
        probe.SetCalData(CalData);
        BuzaiLists left;
        COutData layout;
        probe.LayoutBoard(probe.CalData.Buzai, left, layout, rect);
        estimate = static_cast<std::int64_t>(std::min(static_cast<double>(cells) * boards * kinds, 9e18));
        if (static_cast<double>(cells) * boards <= static_cast<double>(runWork) * kProbeShare) {
            break;
        }
    }
    return effort;
}

CCal5::RunProbe CCal5::SharedProbe(RunShare& share, std::int64_t runWork)
{
    const std::lock_guard<std::mutex> hold(share.ProbeLock);
    if (share.Probe) {
        return *share.Probe;
    }
    RunProbe probe;
    probe.Effort = RunEffort(runWork, probe.Estimate);
    if (!StopRequest) {
        share.Probe = probe;
    }
    return probe;
}

bool CCal5::WorthStarting(const RunShare& share, std::int64_t runWork, std::int64_t runEstimate)
{
    // The runs before the next one that are not decided yet: their cells as done, else as the
    // runs done so far visited on average, before any as estimated.
    const std::int64_t running = share.DoneRuns > 0 ? share.DoneWork / share.DoneRuns : runEstimate;
    std::int64_t expected = share.Work;
    for (int d = std::max(share.Decided, 1); d < share.Next; ++d) {
        const std::optional<RunSlot>& slot = share.Slots[static_cast<std::size_t>(d)];
        expected += slot ? slot->Work : running;
        if (expected > runWork) {
            return false;
        }
    }
    return true;
}

bool CCal5::DecideRuns(RunShare& share, std::int64_t bound, std::int64_t runWork) const
{
    const int end = static_cast<int>(share.Slots.size());
    while (share.Decided < std::min(end, share.StopAt)) {
        const int d = share.Decided;
        if (d > 0) {
            // What was decided before a run says whether it counts.
            const std::optional<CRetData>& best = share.Best;
            if (bound > 0 && best && best->Unplaced.empty() && BoardsUsed(*best) <= bound) {
                share.StopAt = d;
                break;
            }
            if (best && share.Work > runWork) {
                ++share.CutShort;
                share.StopAt = d;
                break;
            }
        }
        if (!share.Slots[static_cast<std::size_t>(d)]) {
            break;
        }
        RunSlot& slot = *share.Slots[static_cast<std::size_t>(d)];
        if (slot.Made && (!share.Best || RunReplaces(slot.Ret, *share.Best))) {
            share.Best = std::move(slot.Ret);
            share.BestLeft = std::move(slot.Left);
            share.BestState = slot.State;
        }
        share.Work += slot.Work;
        if (slot.GaveUp) {
            share.StopAt = d + 1;  // past the work limit: every later run would give up too
        }
        share.Slots[static_cast<std::size_t>(d)].reset();
        ++share.Decided;
    }
    if (share.Owned || share.Decided < std::min(end, share.StopAt)) {
        return false;
    }
    share.Owned = true;
    return true;
}

void CCal5::JoinGroupJob(CCalHaichi& before)
{
    if (auto* search = dynamic_cast<CCal5*>(&before)) {
        if (!search->m_share) {
            search->m_share = std::make_shared<RunShare>();
            search->m_shareJoined = true;
        }
        m_share = search->m_share;
        m_shareJoined = true;
    }
}

bool CCal5::Dearer(const CRetData& c, const CRetData& than) const
{
    // Boards cost their price; without prices (or when the price is left out) their area.
    if (NoRateFlg == 0 && (c.TotalPrice > 0 || than.TotalPrice > 0)) {
        return c.TotalPrice > than.TotalPrice;
    }
    return c.BoardArea > than.BoardArea * (1.0 + 1e-12);
}

bool CCal5::RunReplaces(const CRetData& c, const CRetData& best) const
{
    return SearchReplaces(c, best, NoRateFlg != 0);
}

void CCal5::PrepareRun(CCal5& run) const
{
    CopyRunSettings(*this, run);
    run.Level = Level;
    run.Effort = Effort;
    run.Single = true;
    run.m_outerStop = &StopRequest;
    run.m_boardSide = m_boardSide;
}
