#include "calc/engines/BlockRemainder.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "base/Tolerance.h"

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
