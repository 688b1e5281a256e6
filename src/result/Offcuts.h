#pragma once

#include <cstdint>
#include <vector>

#include "base/CalIndex.h"

struct CutPlan;

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
