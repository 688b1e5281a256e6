#include "calc/engines/Cal5.h"

#include <algorithm>
#include <iterator>

#include "base/Tolerance.h"
#include "calc/engines/SearchEffort.h"
#include "job/Genban.h"

using namespace searcheffort;

std::vector<std::size_t> CCal5::SingleLayoutsEmptiestFirst() const
{
    std::vector<std::size_t> single;
    for (std::size_t i = 0; i < Ret.Layouts.size(); ++i) {
        if (Ret.Layouts[i].Repeat == 1) {
            single.push_back(i);
        }
    }
    std::stable_sort(single.begin(), single.end(), [&](std::size_t a, std::size_t b) {
        return DoubleLess(Ret.Layouts[a].PartsYield, Ret.Layouts[b].PartsYield);
    });
    return single;
}

void CCal5::AddPiecesOf(const COutData& layout, CCalData& group)
{
    for (const CAL_BUZAI& e : layout.Summary) {
        auto& list = group.Buzai[e.Flag];
        auto same =
            std::find_if(list.begin(), list.end(), [&](const CAL_BUZAI& x) { return x.Number == e.Number; });
        if (same != list.end()) {
            same->Count += e.Count;
        } else {
            list.push_back(CAL_BUZAI{e.Number, e.Count, e.Flag});
        }
    }
}

void CCal5::ReplaceLayouts(std::vector<std::size_t> replaced, CCal5& run)
{
    std::sort(replaced.begin(), replaced.end());
    for (std::size_t k = replaced.size(); k-- > 0;) {
        Ret.Layouts.erase(Ret.Layouts.begin() + static_cast<std::ptrdiff_t>(replaced[k]));
    }
    for (COutData& layout : run.Ret.Layouts) {
        Ret.Layouts.push_back(std::move(layout));
    }
    LeftYBuzai = run.LeftYBuzai;
    Ret.ComputeTotals();
}

bool CCal5::RepackTry(CCal5& run, int values, const CCalData& group, std::int64_t& work, std::int64_t budget,
                      bool oneEntry) const
{
    PrepareRun(run);
    if (oneEntry) {
        run.NoUsenFlg = 1;
        run.UseSmallPat = 0;
    }
    run.Effort = std::min(5, Effort + 1);
    RunValues(values, run);
    // A try that passes the budget gives up and leaves the boards as they were.
    run.m_work = &work;
    run.m_workLimit = budget;
    run.Reset();
    run.SetCalData(group);
    run.Calculate();
    return run.State == kStateAllPlaced;
}

void CCal5::RepackEmptiest(std::int64_t bound)
{
    const int tries = kRepackTries[EffortIndex(Effort)];
    const std::int64_t budget = RepackBudget > 0 ? RepackBudget : kWork[EffortIndex(Effort)] / kRepackShare;
    std::int64_t work = 0;
    for (int m = 2; m <= kRepackBoards && !StopRequest;) {
        if (work > budget) {
            ++SearchCutShort;
            return;
        }
        std::vector<std::size_t> single = SingleLayoutsEmptiestFirst();
        if (static_cast<int>(single.size()) < m || BoardsUsed(Ret) <= bound) {
            return;
        }
        single.resize(static_cast<std::size_t>(m));
        const std::int32_t boardNo = Ret.Layouts[single[0]].BoardNo;
        CCalData group;
        group.Genban[0].push_back(CAL_GENBAN{boardNo, m - 1, 0});
        group.Buzai[1] = LeftYBuzai;
        for (std::size_t i : single) {
            AddPiecesOf(Ret.Layouts[i], group);
        }
        // Parts of more area than the m - 1 boards hold never go onto them.
        const CalRect rect = TrimmedRect(Board(boardNo));
        const double room = static_cast<double>(rect.Width()) * rect.Height() * (m - 1);
        const bool fits = !(GroupPartsArea(*this, group) > room);
        bool saved = false;
        for (int t = 0; fits && t < tries && !saved && !StopRequest && work <= budget; ++t) {
            CCal5 run;
            // One board entry: its priority left out, and no attempts on fewer parts.
            if (!RepackTry(run, t == 0 ? 0 : static_cast<int>(std::size(kRunValues)) + 1000 + t, group, work,
                           budget, true)) {
                continue;
            }
            // Every part on one board fewer: the m layouts give way to the new ones.
            ReplaceLayouts(single, run);
            saved = true;
        }
        if (!saved) {
            ++m;
        }
    }
}

void CCal5::FillStock()
{
    // Each round lays the rest out board by board; a round places something or ends the pass.
    for (int round = 0; round < 8 && !Ret.Unplaced.empty() && !StopRequest; ++round) {
        CCalData group;
        group.Buzai[0] = Ret.Unplaced;
        group.Buzai[1] = LeftYBuzai;
        bool any = false;
        for (std::size_t level = 0; level < CalData.Genban.size(); ++level) {
            for (CAL_GENBAN entry : CalData.Genban[level]) {
                for (const COutData& layout : Ret.Layouts) {
                    if (layout.BoardNo == entry.Number) {
                        entry.Count -= static_cast<std::int32_t>(layout.Repeat);
                    }
                }
                if (entry.Count < 1) {
                    continue;
                }
                const CalRect rect = TrimmedRect(Board(entry.Number));
                const bool fits = std::any_of(Ret.Unplaced.begin(), Ret.Unplaced.end(), [&](const CAL_BUZAI& e) {
                    return Size(0, e.Number).FitsWithin(rect.Width(), rect.Height());
                });
                if (fits) {
                    group.Genban[level].push_back(entry);
                    any = true;
                }
            }
        }
        if (!any) {
            return;
        }
        CCal5 run;
        PrepareRun(run);
        RunValues(0, run);
        run.Reset();
        run.SetCalData(group);
        run.Calculate();
        if (StopRequest || run.State == kStateStopped || run.Ret.Layouts.empty()) {
            return;
        }
        for (COutData& layout : run.Ret.Layouts) {
            Ret.Layouts.push_back(std::move(layout));
        }
        Ret.Unplaced = run.Ret.Unplaced;
        LeftYBuzai = run.LeftYBuzai;
        State = Ret.Unplaced.empty() ? kStateAllPlaced : kStatePartsLeft;
        Ret.ComputeTotals();
    }
}

double CCal5::BoardCost(std::int32_t boardNo) const
{
    // Prices count only when every board of the group has one (as in the pattern choice).
    bool priced = NoRateFlg == 0;
    for (const auto& level : CalData.Genban) {
        for (const CAL_GENBAN& entry : level) {
            priced = priced && Board(entry.Number).Price > 0;
        }
    }
    const CGenban& board = Board(boardNo);
    return priced ? static_cast<double>(board.Price) : GenbanArea(board);
}

void CCal5::RepackAcrossKinds()
{
    const int tries = kRepackTries[EffortIndex(Effort)];
    const std::int64_t budget = RepackBudget > 0 ? RepackBudget : kWork[EffortIndex(Effort)] / kRepackShare;
    std::int64_t work = 0;
    for (int m = 1; m <= kRepackBoards && !StopRequest;) {
        if (work > budget) {
            ++SearchCutShort;
            return;
        }
        std::vector<std::size_t> single = SingleLayoutsEmptiestFirst();
        if (static_cast<int>(single.size()) < m) {
            return;
        }
        single.resize(static_cast<std::size_t>(m));
        // Their pieces, on every board of the group still in stock once they are freed.
        CCalData group;
        group.Buzai[1] = LeftYBuzai;
        double cost = 0.0;
        for (std::size_t i : single) {
            cost += BoardCost(Ret.Layouts[i].BoardNo);
            AddPiecesOf(Ret.Layouts[i], group);
        }
        for (std::size_t level = 0; level < CalData.Genban.size(); ++level) {
            for (CAL_GENBAN entry : CalData.Genban[level]) {
                for (std::size_t i = 0; i < Ret.Layouts.size(); ++i) {
                    if (Ret.Layouts[i].BoardNo == entry.Number &&
                        std::find(single.begin(), single.end(), i) == single.end()) {
                        entry.Count -= static_cast<std::int32_t>(Ret.Layouts[i].Repeat);
                    }
                }
                if (entry.Count >= 1) {
                    group.Genban[level].push_back(entry);
                }
            }
        }
        bool saved = false;
        for (int t = 0; t < tries && !saved && !StopRequest && work <= budget; ++t) {
            CCal5 run;
            if (!RepackTry(run, t == 0 ? 0 : static_cast<int>(std::size(kRunValues)) + 2000 + t, group, work,
                           budget, false)) {
                continue;
            }
            double newCost = 0.0;
            for (const COutData& layout : run.Ret.Layouts) {
                newCost += BoardCost(layout.BoardNo) * static_cast<double>(layout.Repeat);
            }
            if (!(newCost < cost * (1.0 - 1e-12))) {
                continue;
            }
            ReplaceLayouts(single, run);
            saved = true;
        }
        if (!saved) {
            ++m;
        }
    }
}
