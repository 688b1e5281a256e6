#include "result/Offcuts.h"

#include <algorithm>

#include "base/CalcError.h"
#include "base/Format.h"
#include "base/Settings.h"
#include "job/Genban.h"
#include "result/CutPlan.h"
#include "result/RetData.h"

namespace {

bool Holds(const CalRect& rect, const CutPiece& piece)
{
    return piece.X0 < rect.X1 && piece.X1 > rect.X0 && piece.Y0 < rect.Y1 && piece.Y1 > rect.Y0;
}

bool AtLeast(const CalRect& rect, OffcutSize least)
{
    const std::int32_t w = rect.Width(), h = rect.Height();
    return (w >= least.Width && h >= least.Length) || (w >= least.Length && h >= least.Width);
}

}  // namespace

std::vector<CalRect> LayoutOffcuts(const CutPlan& plan, const CalRect& trimmed, OffcutSize least)
{
    if (least.Width <= 0 || least.Length <= 0) {
        return {};
    }
    // Saw the board by the plan: every cut splits the one rectangle it runs straight through.
    std::vector<CalRect> rects{trimmed};
    for (const SawCut& cut : plan.Cuts) {
        const auto through = std::find_if(rects.begin(), rects.end(), [&cut](const CalRect& r) {
            const std::int32_t lo = cut.Axis == 0 ? r.X0 : r.Y0, hi = cut.Axis == 0 ? r.X1 : r.Y1;
            const std::int32_t from = cut.Axis == 0 ? r.Y0 : r.X0, to = cut.Axis == 0 ? r.Y1 : r.X1;
            return from == cut.From && to == cut.To && lo <= cut.Position && cut.Position < hi;
        });
        if (through == rects.end()) {
            continue;  // not a cut of this board: nothing of it can be told apart
        }
        const CalRect r = *through;
        rects.erase(through);
        CalRect low = r, high = r;
        (cut.Axis == 0 ? low.X1 : low.Y1) = cut.Position;
        (cut.Axis == 0 ? high.X0 : high.Y0) = std::min(cut.Position + cut.Width, cut.Axis == 0 ? r.X1 : r.Y1);
        for (const CalRect& side : {low, high}) {
            if (side.X0 < side.X1 && side.Y0 < side.Y1) {
                rects.push_back(side);
            }
        }
    }
    std::vector<CalRect> offcuts;
    for (const CalRect& rect : rects) {
        const bool empty = std::none_of(plan.Pieces.begin(), plan.Pieces.end(),
                                        [&rect](const CutPiece& p) { return Holds(rect, p); });
        if (empty && AtLeast(rect, least)) {
            offcuts.push_back(rect);
        }
    }
    return offcuts;
}

OffcutSize MinOffcut(const Settings& settings)
{
    return {settings.MinOffcutW, settings.MinOffcutL};
}

LayoutSawing SawLayout(const JobLists& lists, const COutData& layout, std::int32_t kerf, OffcutSize least)
{
    LayoutSawing sawing;
    if (layout.BoardNo < 0 || static_cast<std::size_t>(layout.BoardNo) >= lists.Boards.Items.size()) {
        return sawing;
    }
    const CalRect trimmed = TrimmedBoard(lists.Boards.Items[static_cast<std::size_t>(layout.BoardNo)]);
    CutPlan plan;
    try {
        sawing.Problem = BuildCutPlan(LayoutPieces(layout, lists.Parts, lists.Secondary, kerf), trimmed, kerf,
                                      layout.CutLines, plan);
        if (!sawing.Problem.empty()) {
            return sawing;
        }
    } catch (const CalcError& fault) {
        sawing.Fault = fault.what();  // a part outside its list: nothing on this board can be told apart
        return sawing;
    }
    sawing.Planned = true;
    sawing.Offcuts = LayoutOffcuts(plan, trimmed, least);
    sawing.CutCount = static_cast<std::int64_t>(plan.Cuts.size());
    sawing.CutTenths = CutLengthTenths(plan);
    sawing.CutLengthMm = static_cast<double>(sawing.CutTenths) / 10.0;
    sawing.Cuts = std::move(plan.Cuts);
    sawing.Pieces = std::move(plan.Pieces);
    return sawing;
}

ResultSawing SawResult(const JobLists& lists, std::int32_t kerf, OffcutSize least)
{
    ResultSawing sawing;
    sawing.reserve(lists.Ret.Layouts.size());
    for (const COutData& layout : lists.Ret.Layouts) {
        sawing.push_back(SawLayout(lists, layout, kerf, least));
    }
    return sawing;
}

void PlanSawing(CRetData& ret, const CBuzaiList& parts, const CBuzaiList& secondary,
                const CGenbanList& boards, std::int32_t kerf, OffcutSize least)
{
    KeptSawing kept;
    kept.Kerf = kerf;
    kept.Least = least;
    kept.Layouts = ret.Layouts;
    kept.Plans = SawResult({ret, parts, secondary, boards}, kerf, least);
    ret.Sawing = std::move(kept);
}

const LayoutSawing* KeptLayoutSawing(const CRetData& ret, std::size_t layout, std::int32_t kerf,
                                     OffcutSize least)
{
    const KeptSawing& kept = ret.Sawing;
    if (kept.Kerf != kerf || kept.Least != least || kept.Plans.size() != ret.Layouts.size() ||
        kept.Layouts.size() != ret.Layouts.size() || layout >= ret.Layouts.size() ||
        !kept.Layouts[layout].SamePattern(ret.Layouts[layout])) {
        return nullptr;
    }
    return &kept.Plans[layout];
}

bool SawingFits(const CRetData& ret, std::int32_t kerf, OffcutSize least)
{
    if (ret.Sawing.Plans.size() != ret.Layouts.size()) {
        return false;
    }
    for (std::size_t n = 0; n < ret.Layouts.size(); ++n) {
        if (KeptLayoutSawing(ret, n, kerf, least) == nullptr) {
            return false;
        }
    }
    return true;
}

const LayoutSawing& SawingOf(const CRetData& ret, std::size_t layout, std::int32_t kerf, OffcutSize least)
{
    const LayoutSawing* kept = KeptLayoutSawing(ret, layout, kerf, least);
    if (kept == nullptr) {
        throw CalcError("the saw plan of layout " + std::to_string(layout + 1) + " is not the result's");
    }
    return *kept;
}

const ResultSawing& SawingOf(const CRetData& ret, std::int32_t kerf, OffcutSize least)
{
    if (ret.Sawing.Plans.size() != ret.Layouts.size()) {
        throw CalcError("the saw plan is not the result's");
    }
    for (std::size_t n = 0; n < ret.Layouts.size(); ++n) {
        SawingOf(ret, n, kerf, least);
    }
    return ret.Sawing.Plans;
}

CutTotals JobCutTotals(const CRetData& ret, const ResultSawing& sawing)
{
    CutTotals totals;
    for (std::size_t i = 0; i < ret.Layouts.size() && i < sawing.size(); ++i) {
        totals.Cuts += sawing[i].CutCount * ret.Layouts[i].Repeat;
        totals.LengthMm += sawing[i].CutLengthMm * ret.Layouts[i].Repeat;
    }
    return totals;
}

std::string CutTotalsText(const CutTotals& totals)
{
    return "切断 " + std::to_string(totals.Cuts) + " 回  " + Format("%.1f", totals.LengthMm / 1000.0) + " m";
}

