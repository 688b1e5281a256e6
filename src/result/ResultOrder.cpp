#include "result/ResultOrder.h"

#include <algorithm>

#include "base/Tolerance.h"
#include "result/RetData.h"

long long UnplacedPieces(const CRetData& ret)
{
    long long pieces = 0;
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        pieces += entry.Count;
    }
    return pieces;
}

bool ReplacesBest(const CRetData& c, const CRetData& best, bool noRate)
{
    if (noRate) {
        return c.IsBetter(best);
    }
    // A result that leaves fewer pieces uncut wins before any price comparison.
    const long long uc = UnplacedPieces(c), ub = UnplacedPieces(best);
    if (uc != ub) {
        return uc < ub;
    }
    if (c.TotalPrice != best.TotalPrice) {
        return c.TotalPrice < best.TotalPrice;
    }
    return c.IsBetter(best);
}

namespace {

// 1 when a places more parts area than b, -1 when less, else 0. Relative, so that the order in
// which a result's areas were added does not decide.
int ComparePartsArea(const CRetData& a, const CRetData& b)
{
    return CompareRelative(a.PartsArea, b.PartsArea);
}

}  // namespace

bool SearchReplaces(const CRetData& c, const CRetData& best, bool noRate)
{
    const int byArea = ComparePartsArea(c, best);
    return byArea != 0 ? byArea > 0 : ReplacesBest(c, best, noRate);
}
