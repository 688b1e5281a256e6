#pragma once

#include <cstdint>
#include <vector>

#include "base/CalIndex.h"
#include "result/JobLists.h"

class COutData;
struct CutPlan;
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

// The offcuts of one layout of `lists`, cut with `kerf` (LayoutOffcuts of its cut plan); none
// when the layout cannot be cut apart or names a board or part that is not in its lists.
std::vector<CalRect> OffcutsOf(const JobLists& lists, const COutData& layout, std::int32_t kerf, OffcutSize least);

// OffcutsOf every layout of the result, in its order.
using ResultOffcutList = std::vector<std::vector<CalRect>>;
ResultOffcutList ResultOffcuts(const JobLists& lists, std::int32_t kerf, OffcutSize least);
