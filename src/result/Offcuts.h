#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/CalIndex.h"
#include "result/CutPlan.h"
#include "result/JobLists.h"

class COutData;
class CRetData;
struct Settings;

// The smallest offcut a shop keeps, 0.1 mm, in either direction of the offcut; 0 keeps none.
struct OffcutSize {
    std::int32_t Width = 3000;
    std::int32_t Length = 3000;
};

// The rectangles of the trimmed board that the plan's cuts leave without a piece, at least
// `least` in size (its width and length either way round): each one rectangle the saw cuts out
// with the plan's own cuts, so that it never crosses a piece. In the order the cuts make them;
// none when `least` is 0 in a direction.
std::vector<CalRect> LayoutOffcuts(const CutPlan& plan, const CalRect& trimmed, OffcutSize least);

// The setting 端材の最小寸法.
OffcutSize MinOffcut(const Settings& settings);

// What sawing one sheet of a layout by its cut plan gives: the offcuts kept (LayoutOffcuts), the
// number of cuts and their length. Planned is false, and the rest empty, when the layout cannot
// be cut apart or names a board or part that is not in its lists.
struct LayoutSawing {
    bool Planned = false;
    std::vector<SawCut> Cuts;  // the plan's, in its order
    std::vector<CalRect> Offcuts;
    std::int64_t CutCount = 0;
    double CutLengthMm = 0.0;  // the saw's path through the material: Σ cut extents
};
LayoutSawing SawLayout(const JobLists& lists, const COutData& layout, std::int32_t kerf, OffcutSize least);
// SawLayout of every layout of the result, in its order.
using ResultSawing = std::vector<LayoutSawing>;
ResultSawing SawResult(const JobLists& lists, std::int32_t kerf, OffcutSize least);

// The cuts of the whole job: every layout's times its repeat count.
struct CutTotals {
    std::int64_t Cuts = 0;
    double LengthMm = 0.0;
};
CutTotals JobCutTotals(const CRetData& ret, const ResultSawing& sawing);
// "切断 36 回  25.2 m" (配置結果, the layout command's summary, 原板情報).
std::string CutTotalsText(const CutTotals& totals);

