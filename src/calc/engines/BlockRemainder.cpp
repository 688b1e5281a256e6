#include "calc/engines/BlockRemainder.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "base/Tolerance.h"

CandidateRects CandidateRectsOf(const BlockCorner& c, std::int32_t k, int type)
{
    const CalRect& r = c.Rect;
    const CalRect aboveBlock{r.X0, c.T, c.R - k, r.Y1};
    const CalRect rightFull{c.R, r.Y0, r.X1, r.Y1};
    const CalRect rightOfBlock{c.R, r.Y0, r.X1, c.T - k};
    const CalRect aboveFull{r.X0, c.T, r.X1, r.Y1};
    switch (type) {
        case 0: return {aboveBlock, rightFull};
        case 1: return {rightOfBlock, aboveFull};
        case 2: return {rightFull, aboveBlock};
        default: return {aboveFull, rightOfBlock};
    }
}

std::array<int, 4> CandidateOrder(const BlockCorner& c, std::int32_t k)
{
    const CalRect& r = c.Rect;
    // 64 bits: products of two lengths pass 2^31 on large boards.
    const bool zeroFirst = static_cast<std::int64_t>(c.R - k - r.X0) * (r.Y1 - c.T) <=
                           static_cast<std::int64_t>(r.X1 - c.R) * (r.Y1 - r.Y0);
    const bool oneFirst = static_cast<std::int64_t>(c.T - k - r.Y0) * (r.X1 - c.R) <=
                          static_cast<std::int64_t>(r.Y1 - c.T) * (r.X1 - r.X0);
    return {zeroFirst ? 0 : 2, oneFirst ? 1 : 3, zeroFirst ? 2 : 0, oneFirst ? 3 : 1};
}

bool ByBlockMeasures(const RemainderAttempt& best, const RemainderAttempt& next)
{
    const double measures[4][2] = {
        {next.P(), best.P()}, {next.p(), best.p()}, {next.Q(), best.Q()}, {next.q(), best.q()}};
    for (const auto& m : measures) {
        if (DoubleGreater(m[0], m[1])) {
            return true;
        }
        if (!DoubleEqual(m[0], m[1])) {
            return false;
        }
    }
    return false;  // all equal: the earlier one stays
}

RemainderAttempt FillRemainder(const BlockCorner& corner, std::int32_t kerf, int candidateFlag,
                               const BuzaiLists& working, std::int32_t boardNo, const FillRect& fill,
                               const PreferAttempt& prefer)
{
    RemainderScratch scratch;
    RemainderAttempt chosen;
    FillRemainderInto(corner, kerf, candidateFlag, working, boardNo, fill, prefer, scratch, chosen);
    return chosen;
}

void AddRemainder(const RemainderAttempt& chosen, COutData& layout)
{
    if (chosen.Record.Blocks.empty()) {
        return;
    }
    layout.Blocks.insert(layout.Blocks.end(), chosen.Record.Blocks.begin(), chosen.Record.Blocks.end());
    layout.PartsArea += chosen.Record.PartsArea;
    layout.TotalArea += chosen.Record.TotalArea;
    layout.CutLines.insert(layout.CutLines.end(), chosen.Cuts.begin(), chosen.Cuts.end());
    layout.CutLines.insert(layout.CutLines.end(), chosen.Record.CutLines.begin(),
                           chosen.Record.CutLines.end());
}
