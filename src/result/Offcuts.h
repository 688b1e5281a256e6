#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/CalIndex.h"
#include "result/CutPlan.h"
#include "result/JobLists.h"

class COutData;
class CBuzaiList;
class CGenbanList;
class CRetData;
struct Settings;

// The rectangles of the trimmed board that the plan's cuts leave without a piece, at least
// `least` in size (its width and length either way round): each one rectangle the saw cuts out
// with the plan's own cuts, so that it never crosses a piece. In the order the cuts make them;
// none when `least` is 0 in a direction.
std::vector<CalRect> LayoutOffcuts(const CutPlan& plan, const CalRect& trimmed, OffcutSize least);

// The setting 端材の最小寸法.
OffcutSize MinOffcut(const Settings& settings);

LayoutSawing SawLayout(const JobLists& lists, const COutData& layout, std::int32_t kerf, OffcutSize least);
// SawLayout of every layout of the result, in its order.
ResultSawing SawResult(const JobLists& lists, std::int32_t kerf, OffcutSize least);

// The cuts of the whole job: every layout's times its repeat count.
struct CutTotals {
    std::int64_t Cuts = 0;
    double LengthMm = 0.0;
};
// Makes the result's plan with its lists and keeps it in ret.Sawing.
void PlanSawing(CRetData& ret, const CBuzaiList& parts, const CBuzaiList& secondary,
                const CGenbanList& boards, std::int32_t kerf, OffcutSize least);
// Whether ret.Sawing is the plan of the result's layouts with this kerf and smallest offcut.
bool SawingFits(const CRetData& ret, std::int32_t kerf, OffcutSize least);
// The kept plan of layout `layout`, null when it is not the layout's (made for another pattern,
// kerf or smallest offcut, or not made).
const LayoutSawing* KeptLayoutSawing(const CRetData& ret, std::size_t layout, std::int32_t kerf,
                                     OffcutSize least);
// The kept plan of every layout, or of one; CalcError when it is stale or was never made (an
// internal fault: whoever changed the layouts did not plan them again).
const ResultSawing& SawingOf(const CRetData& ret, std::int32_t kerf, OffcutSize least);
const LayoutSawing& SawingOf(const CRetData& ret, std::size_t layout, std::int32_t kerf, OffcutSize least);

CutTotals JobCutTotals(const CRetData& ret, const ResultSawing& sawing);
// "切断 36 回  25.2 m" (配置結果, the layout command's summary, 原板情報).
std::string CutTotalsText(const CutTotals& totals);

