#include "calc/engines/BlockRemainder.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "base/Tolerance.h"

namespace {

double AreaOf(const CalRect& r)
{
    return static_cast<double>(r.Width()) * r.Height();
}

// Cut right of the block at full height first, then above the block up to that cut.
std::array<CUTMARK, 2> VerticalFirst(const BlockCorner& c, std::int32_t k2)
{
    const std::int32_t x = c.R - k2, y = c.T - k2;
    return {CUTMARK{x, c.Rect.Y0, x, c.Rect.Y1}, CUTMARK{c.Rect.X0, y, x, y}};
}

// Cut above the block at full width first, then right of the block up to that cut.
std::array<CUTMARK, 2> HorizontalFirst(const BlockCorner& c, std::int32_t k2)
{
    const std::int32_t x = c.R - k2, y = c.T - k2;
    return {CUTMARK{c.Rect.X0, y, c.Rect.X1, y}, CUTMARK{x, c.Rect.Y0, x, y}};
}

// The first half of a candidate: its cuts and, when they are permitted, its first sub-rectangle.
// False when the cuts are not permitted: the attempt then places nothing and is still compared.
// When true, the attempt's Left is yet to be written by the fill of the second sub-rectangle, and
// `leftByA` points to what the first left: `afterA`, or `working` when the fill left it as it was.
bool TryFirstHalf(const BlockCorner& corner, std::int32_t kerf, int type, const BuzaiLists& working,
                  std::int32_t boardNo, const FillRect& fill, BuzaiLists& afterA, RemainderAttempt& attempt,
                  const BuzaiLists*& leftByA)
{
    attempt.ResetBeforeFill(boardNo);
    attempt.Type = type;
    const bool vertical = type == 0 || type == 2;
    attempt.Cuts = vertical ? VerticalFirst(corner, kerf / 2) : HorizontalFirst(corner, kerf / 2);
    if (!(vertical ? corner.HOk : corner.WOk)) {
        attempt.Left = working;
        return false;
    }

    const CandidateRects rects = CandidateRectsOf(corner, kerf, type);
    for (auto& list : afterA) {
        list.clear();
    }
    const int placed = fill(working, afterA, attempt.Record, rects.A);
    leftByA = placed == kLeftAsIs ? &working : &afterA;
    attempt.PlacedInA = placed > 0;
    attempt.PartsLeftAfterA = !(*leftByA)[0].empty();
    attempt.PartsAreaA = attempt.Record.PartsArea;
    attempt.TotalAreaA = attempt.Record.TotalArea;
    attempt.AreaA = AreaOf(rects.A);
    return true;
}

// Fills rect from `in` into the attempt; its Left is what is left. `in` may be `spare`, whose
// contents may then be taken.
void FillSecondHalf(const FillRect& fill, const BuzaiLists& in, BuzaiLists& spare, RemainderAttempt& attempt,
                    const CalRect& rect)
{
    if (fill(in, attempt.Left, attempt.Record, rect) != kLeftAsIs) {
        return;
    }
    if (&in == &spare) {
        std::swap(attempt.Left, spare);
    } else {
        attempt.Left = in;
    }
}

}  // namespace

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

bool FillRemainderInto(const BlockCorner& corner, std::int32_t kerf, int candidateFlag,
                       const BuzaiLists& working, std::int32_t boardNo, const FillRect& fill,
                       const PreferAttempt& prefer, RemainderScratch& scratch, RemainderAttempt& chosen,
                       RemainderBound* bound, const RemainderBudget* budget)
{
    constexpr double kNone = -std::numeric_limits<double>::infinity();
    const CalRect& r = corner.Rect;
    const bool roomRight = corner.R < r.X1;
    const bool roomAbove = corner.T < r.Y1;
    bool haveBest = false;
    // The attempts change places by their pointers; `chosen` receives the best at the end.
    RemainderAttempt* best = &chosen;
    RemainderAttempt* trial = &scratch.Trial;
    // What an attempt must place to be chosen and of use; it only grows.
    auto threshold = [&] {
        const double need = bound ? bound->Need : kNone;
        return haveBest && best->P() > need ? best->P() : need;
    };
    auto hopeless = [&](double most) {
        const bool cut = bound && DoubleLess(most, threshold());
        if (cut) {
            ++bound->CutOffs;
        }
        return cut;
    };
    // After A the working lists hold the pieces less what A placed.
    auto upTo = [&](double available, const CalRect& rect) { return bound->Of(rect, available); };
    auto tellNeed = [&](double need, double available = -1.0) {
        if (bound && bound->ChildNeed) {
            *bound->ChildNeed = LayoutNeed{need, available};
        }
    };

    if (roomRight && roomAbove) {
        std::array<int, 4> types{0, 1, -1, -1};
        if (candidateFlag != 0) {
            types = CandidateOrder(corner, kerf);
        }
        // Positions 1 and 2, which 3 and 4 depend on: placed in A, parts left after A.
        bool placedInA[2] = {false, false};
        bool partsLeftAfterA[2] = {false, false};
        bool filled = false;  // some candidate's first sub-rectangle was filled
        for (int pos = 0; pos < 4 && types[pos] >= 0; ++pos) {
            if (filled && budget && budget->Spent()) {
                break;
            }
            RemainderAttempt& attempt = *trial;
            if (pos >= 2 && (!placedInA[pos - 2] || !partsLeftAfterA[pos - 2])) {
                continue;  // not tried, not compared
            }
            const CandidateRects rects = CandidateRectsOf(corner, kerf, types[pos]);
            double needA = kNone;
            if (bound) {
                const double b = upTo(bound->Available, rects.B);
                if (pos >= 2 && hopeless(upTo(bound->Available, rects.A) + b)) {
                    continue;
                }
                needA = threshold() - b;
                if (pos < 2) {
                    // Positions 1 and 2 must learn whether A leaves parts over. A fill that falls
                    // short of all the parts' area leaves some whatever it would have placed.
                    needA = std::min(needA, bound->Available);
                }
            }
            tellNeed(needA, bound ? bound->Available : -1.0);
            const BuzaiLists* leftByA = nullptr;
            if (TryFirstHalf(corner, kerf, types[pos], working, boardNo, fill, scratch.AfterA, attempt,
                             leftByA)) {
                filled = true;
                if (pos < 2) {
                    placedInA[pos] = attempt.PlacedInA;
                    partsLeftAfterA[pos] =
                        attempt.PartsLeftAfterA || (bound && DoubleLess(attempt.PartsAreaA, needA));
                }
                if (bound &&
                    hopeless(attempt.PartsAreaA + upTo(bound->Available - attempt.PartsAreaA, rects.B))) {
                    continue;
                }
                tellNeed(bound ? threshold() - attempt.PartsAreaA : kNone,
                         bound ? bound->Available - attempt.PartsAreaA : -1.0);
                FillSecondHalf(fill, *leftByA, scratch.AfterA, attempt, rects.B);
                if (hopeless(attempt.P())) {
                    continue;
                }
            } else {
                tellNeed(kNone);  // A was not filled: the next fill, wherever it comes from, is not A
                if (hopeless(0.0)) {
                    continue;
                }
            }
            if (!haveBest || prefer(*best, attempt)) {
                std::swap(best, trial);
                haveBest = true;
            }
        }
        if (best != &chosen) {
            std::swap(chosen, *best);
        }
        return haveBest || !bound;
    }

    chosen.ResetBeforeFill(boardNo);
    const bool right = roomRight && corner.HOk;
    const bool above = !roomRight && roomAbove && corner.WOk;
    if (roomRight) {
        chosen.Cuts = VerticalFirst(corner, kerf / 2);
    } else if (roomAbove) {
        chosen.Cuts = HorizontalFirst(corner, kerf / 2);
    }
    if (right || above) {
        const CalRect rest =
            right ? CalRect{corner.R, r.Y0, r.X1, r.Y1} : CalRect{r.X0, corner.T, r.X1, r.Y1};
        if (bound && hopeless(upTo(bound->Available, rest))) {
            return false;
        }
        tellNeed(bound ? bound->Need : kNone, bound ? bound->Available : -1.0);
        if (fill(working, chosen.Left, chosen.Record, rest) == kLeftAsIs) {
            chosen.Left = working;
        }
    } else {
        chosen.Left = working;
    }
    return !hopeless(chosen.P());
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
