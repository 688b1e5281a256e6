#include "calc/engines/Cal5.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "calc/engines/BoardSearch.h"
#include "calc/engines/PartOrder.h"
#include "calc/engines/PatternCover.h"
#include "calc/engines/SearchEffort.h"
#include "job/Buzai.h"
#include "job/Genban.h"

using boardsearch::Item;
using searcheffort::EffortIndex;

namespace {

// Fewer patterns: the layouts of the counts divided by 2 and 3 only (each takes a whole search).
constexpr std::int32_t kSmallPatDivisors = 3;

// A number in [-1, 1) from a run's seed and a part number, the same on every machine.
double Shake(std::uint32_t seed, std::int32_t number)
{
    std::uint64_t x = (std::uint64_t{seed} << 32) ^ static_cast<std::uint32_t>(number);
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return static_cast<double>(x >> 11) / static_cast<double>(1ULL << 52) - 1.0;
}

}  // namespace

int CCal5::RunCount(int effort)
{
    return searcheffort::kRuns[EffortIndex(effort)];
}

void CCal5::RunValues(int run, CCal5& engine)
{
    const std::size_t kinds = std::size(searcheffort::kRunValues);
    const auto& v = searcheffort::kRunValues[static_cast<std::size_t>(run) % kinds];
    engine.Power = v[0];
    engine.Bonus = v[1];
    // After the first round every value is shaken a little, differently in every run.
    engine.Noise = static_cast<std::size_t>(run) < kinds ? 0.0 : 0.15;
    engine.Seed = static_cast<std::uint32_t>(run);
}

void CCal5::SetCalData(const CCalData& data)
{
    PrepareGroup(*this, data, 1);
    if (m_boardSide <= 1) {
        for (const auto& level : CalData.Genban) {
            for (const CAL_GENBAN& entry : level) {
                const CalRect rect = TrimmedRect(Board(entry.Number));
                m_boardSide = std::max({m_boardSide, rect.Width(), rect.Height()});
            }
        }
    }
}

int CCal5::LayoutBoardBest(std::int32_t available, const BuzaiLists& remaining, BuzaiLists& left,
                           COutData& layout, const CalRect& rect)
{
    return CCalHaichi::LayoutBoardBest(std::min(available, kSmallPatDivisors), remaining, left, layout, rect);
}

std::unique_ptr<CCalHaichi> CCal5::CreateInstance() const
{
    auto engine = EngineWith(*this, &CCal5::Level, &CCal5::Effort, &CCal5::Power, &CCal5::Bonus,
                             &CCal5::Noise, &CCal5::Seed, &CCal5::m_outerStop, &CCal5::m_work,
                             &CCal5::m_workLimit, &CCal5::m_boardSide);
    engine->Single = true;
    return engine;
}

int CCal5::LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout, const CalRect& rect)
{
    left = remaining;
    // A run past the job's work limit gives up: it ends as stopped and its result is not used.
    if ((m_outerStop && *m_outerStop) || (m_work && m_workLimit > 0 && *m_work > m_workLimit)) {
        StopRequest = 1;
    }
    if (StopRequest || rect.Width() <= 0 || rect.Height() <= 0) {
        return 0;
    }
    const double boardArea = static_cast<double>(rect.Width()) * rect.Height();

    // The items in board coordinates: Along = size along x.
    std::vector<Item> items;
    double leastValue = 0.0;
    for (int list = 0; list < 2; ++list) {
        for (std::size_t e = 0; e < remaining[list].size(); ++e) {
            const CAL_BUZAI& entry = remaining[list][e];
            if (entry.Count < 1) {
                continue;
            }
            const CBuzai& part = Part(list, entry.Number);
            Item item = boardsearch::BoardItem(part, list, e, entry.Number, entry.Count, rect);
            if (item.Shapes == 0 || item.Area <= 0.0) {
                continue;
            }
            if (list == 0) {
                const double longer = std::max(part.Width, part.Height);
                item.Value = std::pow(item.Area, Power) * (1.0 + Bonus * longer / std::max(1, m_boardSide));
                if (Noise > 0.0) {
                    item.Value *= 1.0 + Noise * Shake(Seed, entry.Number);
                }
                leastValue = leastValue == 0.0 ? item.Value : std::min(leastValue, item.Value);
            }
            items.push_back(item);
        }
    }
    // Secondary parts together are worth less than the least of the parts.
    const double secondary = (leastValue > 0.0 ? leastValue : 1.0) * searcheffort::kSecondaryWeight / boardArea;
    for (Item& item : items) {
        if (item.List == 1) {
            item.Value = item.Area * secondary;
        }
    }
    if (items.empty()) {
        return 0;
    }

    const int e = EffortIndex(Effort);
    const boardsearch::SearchResult found = boardsearch::SearchBoard(
        items, boardsearch::SearchParams{rect, MaxCutSize, NokoHaba, Level, searcheffort::kBeam[e],
                                         searcheffort::kBranch[e], &StopRequest});
    if (m_work) {
        *m_work += found.Work;
    }
    const std::optional<boardsearch::Pattern>& best = found.Best;
    if (StopRequest || !best) {
        return 0;
    }
    bool parts = false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        parts = parts || (items[i].List == 0 && best->Used[i] > 0);
    }
    if (!parts) {
        return 0;
    }
    boardsearch::EmitPattern(*this, items, *best, found.Direction, rect, NokoHaba, layout);

    for (std::size_t i = 0; i < items.size(); ++i) {
        if (best->Used[i] > 0) {
            left[items[i].List][items[i].Entry].Count -= best->Used[i];
        }
    }
    for (auto& list : left) {
        DropUsedUp(list);
    }
    return 1;
}

bool CCal5::CoverByPatterns(CRetData& out, std::vector<CAL_BUZAI>& outLeft, int& outState, std::int64_t& work)
{
    CoverParams params;
    params.Engine = this;
    params.Group = &CalData;
    params.Level = Level;
    params.Effort = Effort;
    params.NoRateFlg = NoRateFlg;
    params.MaxCut = MaxCutSize;
    params.Kerf = NokoHaba;
    params.Stop = &StopRequest;
    params.OuterStop = m_outerStop;
    CoverResult cover = PatternCover(params).Run();
    work += cover.Work;
    if (!cover.Made) {
        return false;
    }
    out.Clear();
    out.BuzaiList = BuzaiList;
    out.YBuzaiList = YBuzaiList;
    out.GenbanList = GenbanList;
    out.Layouts = std::move(cover.Layouts);

    // What the fixed patterns leave is laid out board by board, on the boards left.
    CCal5 run;
    PrepareRun(run);
    RunValues(0, run);
    run.m_work = &work;
    run.Reset();
    run.SetCalData(cover.Rest);
    run.Calculate();
    if (StopRequest || (m_outerStop && *m_outerStop) || run.State == kStateStopped) {
        return false;
    }
    for (COutData& layout : run.Ret.Layouts) {
        out.Layouts.push_back(std::move(layout));
    }
    out.Unplaced = run.Ret.Unplaced;
    out.ComputeTotals();
    outLeft = run.LeftYBuzai;
    outState = run.State;
    return true;
}
