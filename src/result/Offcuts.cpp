#include "result/Offcuts.h"

#include <algorithm>

#include "base/CalcError.h"
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

std::vector<CalRect> OffcutsOf(const JobLists& lists, const COutData& layout, std::int32_t kerf, OffcutSize least)
{
    if (least.Width <= 0 || least.Length <= 0 || layout.BoardNo < 0 ||
        static_cast<std::size_t>(layout.BoardNo) >= lists.Boards.Items.size()) {
        return {};
    }
    const CalRect trimmed = TrimmedBoard(lists.Boards.Items[static_cast<std::size_t>(layout.BoardNo)]);
    CutPlan plan;
    try {
        if (!BuildCutPlan(LayoutPieces(layout, lists.Parts, lists.Secondary, kerf), trimmed, kerf, layout.CutLines,
                          plan)
                 .empty()) {
            return {};
        }
    } catch (const CalcError&) {
        return {};  // a part outside its list: nothing on this board can be told apart
    }
    return LayoutOffcuts(plan, trimmed, least);
}

ResultOffcutList ResultOffcuts(const JobLists& lists, std::int32_t kerf, OffcutSize least)
{
    ResultOffcutList offcuts;
    offcuts.reserve(lists.Ret.Layouts.size());
    for (const COutData& layout : lists.Ret.Layouts) {
        offcuts.push_back(OffcutsOf(lists, layout, kerf, least));
    }
    return offcuts;
}
