#include "calc/engines/Cal5.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <utility>

#include "calc/CalcRun.h"
#include "calc/engines/SearchEffort.h"
#include "job/Genban.h"

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

    // With one board entry, a run on as many boards as the parts' area needs cannot be beaten.
    std::int64_t bound = 0;
    {
        std::vector<const CAL_GENBAN*> entries;
        for (const auto& level : CalData.Genban) {
            for (const CAL_GENBAN& entry : level) {
                entries.push_back(&entry);
            }
        }
        if (entries.size() == 1) {
            const CalRect rect = TrimmedRect(Board(entries[0]->Number));
            const double area = static_cast<double>(rect.Width()) * rect.Height();
            if (area > 0.0) {
                bound = static_cast<std::int64_t>(std::ceil(GroupPartsArea(*this, CalData) / area - 1e-9));
            }
        }
    }

    const int runs = RunCount(Effort);
    int mine = 0;
    for (int r = Job; r < runs; r += std::max(1, Jobs)) {
        ++mine;
    }
    const auto start = std::chrono::steady_clock::now();
    std::optional<CRetData> best;
    std::vector<CAL_BUZAI> bestLeft;
    int bestState = kStateStopped;
    int done = 0;
    std::int64_t work = 0;
    // The last job first chooses patterns for the whole group together.
    if (Cover && Job == std::max(1, Jobs) - 1) {
        CRetData covered;
        std::vector<CAL_BUZAI> coveredLeft;
        int coveredState = kStateStopped;
        std::int64_t coverWork = 0;
        if (CoverByPatterns(covered, coveredLeft, coveredState, coverWork)) {
            best = std::move(covered);
            bestLeft = std::move(coveredLeft);
            bestState = coveredState;
        }
    }
    for (int r = Job; r < runs && !StopRequest; r += std::max(1, Jobs)) {
        if (bound > 0 && best && best->Unplaced.empty() && BoardsUsed(*best) <= bound) {
            break;
        }
        // The runs end early on a job so large that they would exceed the effort's work.
        if (best && (work > kWork[EffortIndex(Effort)] / (bound > 0 ? kRunShare : 1) ||
                     std::chrono::steady_clock::now() - start > kRunCap)) {
            ++SearchCutShort;
            break;
        }
        CCal5 run;
        PrepareRun(run);
        run.Improve = 0;  // once on the best run below
        RunValues(r, run);
        run.m_work = &work;
        run.m_workLimit = kWork[EffortIndex(Effort)] * kWorkLimit;
        run.Reset();
        run.SetCalData(CalData);
        run.Calculate();
        if (StopRequest) {
            break;
        }
        ++done;
        SetProgress(done * 100 / std::max(1, mine));
        if (run.State == kStateStopped) {
            continue;
        }
        if (!best || RunReplaces(run.Ret, *best)) {
            best = std::move(run.Ret);
            bestLeft = run.LeftYBuzai;
            bestState = run.State;
        }
        if (bound > 0 && best->Unplaced.empty() && BoardsUsed(*best) <= bound) {
            break;
        }
    }
    if (StopRequest || !best) {
        State = kStateStopped;
        return;
    }
    Ret = std::move(*best);
    LeftYBuzai = std::move(bestLeft);
    State = bestState;
    if (bound > 0 && !(Ret.Unplaced.empty() && BoardsUsed(Ret) <= bound)) {
        RepackEmptiest(bound);
    }
    if (Improve == 1 && !(bound > 0 && Ret.Unplaced.empty() && BoardsUsed(Ret) <= bound)) {
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
    if (bound == 0 && !StopRequest) {
        RepackAcrossKinds();
    }
    if (!StopRequest) {
        FillStock();
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
    // Parts left on both sides: what the stock holds counts by area, not by pieces.
    if (!c.Unplaced.empty() && !best.Unplaced.empty() &&
        std::fabs(c.PartsArea - best.PartsArea) > 1e-9 * std::max(c.PartsArea, best.PartsArea)) {
        return c.PartsArea > best.PartsArea;
    }
    return ReplacesBest(c, best, NoRateFlg != 0);
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
