#include "result/PlanChoice.h"

#include <tuple>

#include "base/Format.h"
#include "base/Tolerance.h"
#include "result/Money.h"
#include "result/Offcuts.h"
#include "result/ResultOrder.h"

namespace {

// The price a plan is ranked by: yen, or the board area when prices are off.
double PlanCost(const CRetData& ret, bool noRate)
{
    return noRate ? ret.BoardArea : static_cast<double>(ret.TotalPrice);
}

bool SameParts(const CRetData& a, const CRetData& b)
{
    return UnplacedPieces(a) == UnplacedPieces(b) && CompareRelative(a.PartsArea, b.PartsArea) == 0;
}

}  // namespace

PlanFigures FiguresOf(const CRetData& ret, const std::vector<LayoutSawing>& sawing)
{
    const CutTotals totals = JobCutTotals(ret, sawing);
    PlanFigures figures;
    figures.Cuts = totals.Cuts;
    figures.CutLengthMm = totals.LengthMm;
    const std::vector<COutData>& layouts = ret.Layouts;
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        bool seen = false;
        for (std::size_t k = 0; k < i && !seen; ++k) {
            seen = layouts[k].SamePattern(layouts[i]);
        }
        figures.Patterns += seen ? 0 : 1;
    }
    return figures;
}

bool WithinPlanTolerance(const CRetData& c, const CRetData& best, int percent, bool noRate)
{
    if (!SameParts(c, best)) {
        return false;
    }
    if (noRate) {
        return CompareRelative(c.BoardArea * 100.0, best.BoardArea * (100.0 + percent)) <= 0;
    }
    return c.TotalPrice * 100 <= best.TotalPrice * (100 + percent);
}

std::size_t PickPlan(const std::vector<PlanCandidate>& candidates, PlanKind kind, int percent, bool noRate)
{
    if (kind == PlanKind::Cheapest || candidates.empty()) {
        return 0;
    }
    const CRetData& best = *candidates[0].Ret;
    const auto key = [&](const PlanCandidate& c) {
        const double cost = PlanCost(*c.Ret, noRate);
        return kind == PlanKind::FewestCuts ? std::make_tuple(c.Figures.Cuts, cost, c.Figures.Patterns)
                                            : std::make_tuple(c.Figures.Patterns, cost, c.Figures.Cuts);
    };
    std::size_t pick = 0;
    for (std::size_t i = 1; i < candidates.size(); ++i) {
        if (WithinPlanTolerance(*candidates[i].Ret, best, percent, noRate) &&
            key(candidates[i]) < key(candidates[pick])) {
            pick = i;
        }
    }
    return pick;
}

std::size_t FewerCutsOnTie(const std::vector<PlanCandidate>& candidates)
{
    std::size_t pick = 0;
    for (std::size_t i = 1; i < candidates.size(); ++i) {
        const CRetData& c = *candidates[i].Ret;
        const CRetData& best = *candidates[0].Ret;
        if (SameParts(c, best) && c.TotalPrice == best.TotalPrice &&
            CompareRelative(c.BoardArea, best.BoardArea) == 0 &&
            candidates[i].Figures.Cuts < candidates[pick].Figures.Cuts) {
            pick = i;
        }
    }
    return pick;
}

bool SameLayouts(const CRetData& a, const CRetData& b)
{
    if (a.Layouts.size() != b.Layouts.size() || a.Unplaced != b.Unplaced) {
        return false;
    }
    for (std::size_t i = 0; i < a.Layouts.size(); ++i) {
        if (a.Layouts[i].Repeat != b.Layouts[i].Repeat || !a.Layouts[i].SamePattern(b.Layouts[i])) {
            return false;
        }
    }
    return true;
}

std::string PlanName(PlanKind kind, bool noRate)
{
    switch (kind) {
        case PlanKind::Cheapest: return noRate ? "歩留まり最良" : "最安";
        case PlanKind::FewestCuts: return "切断最少";
        case PlanKind::FewestPatterns: return "パターン最少";
    }
    return "";
}

const char* PlanFileName(PlanKind kind)
{
    switch (kind) {
        case PlanKind::Cheapest: return "cheapest";
        case PlanKind::FewestCuts: return "fewest-cuts";
        case PlanKind::FewestPatterns: return "fewest-patterns";
    }
    return "";
}

std::int64_t PlanSheets(const CRetData& ret)
{
    std::int64_t sheets = 0;
    for (const COutData& layout : ret.Layouts) {
        sheets += layout.Repeat;
    }
    return sheets;
}

std::string PlanLine(const ResultPlan& plan, bool noRate)
{
    std::string line = PlanName(plan.Kind, noRate) + ": 原板 " + std::to_string(PlanSheets(plan.Ret)) + " 枚";
    if (!noRate) {
        line += " " + Money(static_cast<double>(plan.Ret.TotalPrice), 0) + "円";
    }
    return line + Format(" 歩留まり %.1f%%(%.1f%%) パターン %lld 切断 %lld 回 %.1f m",
                         plan.Ret.PartsYield() * 100.0, plan.Ret.TotalYield() * 100.0,
                         static_cast<long long>(plan.Figures.Patterns),
                         static_cast<long long>(plan.Figures.Cuts), plan.Figures.CutLengthMm / 1000.0);
}

std::string PlansHeading(int percent, bool noRate)
{
    return "配置候補（" + PlanName(PlanKind::Cheapest, noRate) + "から " + std::to_string(percent) +
           "% まで）";
}

std::string PlanCellText(const ResultPlan& plan, int column, bool noRate, bool chosen)
{
    switch (column) {
        case 0: return chosen ? "●" : "";
        case 1: return PlanName(plan.Kind, noRate);
        case 2: return std::to_string(PlanSheets(plan.Ret)) + " 枚";
        case 3: return noRate ? "－" : Money(static_cast<double>(plan.Ret.TotalPrice), 0) + "円";
        case 4: return Format("%.1f%%(%.1f%%)", plan.Ret.PartsYield() * 100.0, plan.Ret.TotalYield() * 100.0);
        case 5: return std::to_string(plan.Figures.Patterns);
        case 6: return std::to_string(plan.Figures.Cuts) + " 回";
        case 7: return Format("%.1f m", plan.Figures.CutLengthMm / 1000.0);
        default: return "";
    }
}
