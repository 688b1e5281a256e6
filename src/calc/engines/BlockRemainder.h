#pragma once

// What is left of a free rectangle after something was put into its corner with the smaller
// coordinates: the one-sided remainders and the cutting candidates of types 0 to 3.
//
// Shared by the engines that fill rectangles recursively. An engine places its block (or stack)
// at (Rect.X0, Rect.Y0), describes it by a BlockCorner and calls FillRemainder with a callback
// that lays out one sub-rectangle (usually its own virtual LayoutBoard) and a rule that picks
// among the candidates (ByBlockMeasures, or the engine's IsBetter on the records and lists).
// AddRemainder then appends the chosen attempt to the engine's layout.
//
//     BlockCorner corner{rect, r, t, wOk, hOk};
//     RemainderAttempt chosen = FillRemainder(corner, NokoHaba, candidateFlag, working, layout.BoardNo,
//         [this](const BuzaiLists& in, BuzaiLists& out, COutData& rec, const CalRect& r) {
//             return LayoutBoard(in, out, rec, r); },
//         ByBlockMeasures);
//     left = chosen.Left;
//     AddRemainder(chosen, layout);

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>

#include "base/Tolerance.h"

#include "calc/CalData.h"
#include "calc/CalHaichi.h"
#include "result/OutData.h"

// The free rectangle and the far ends of what sits in its corner, kerf included.
struct BlockCorner {
    CalRect Rect;
    std::int32_t R = 0;  // Rect.X0 + extent along x + kerf
    std::int32_t T = 0;  // Rect.Y0 + extent along y + kerf
    bool WOk = true;     // Rect's width is within the cutting limit
    bool HOk = true;     // Rect's height is within the cutting limit
};

// The cutting candidates: A is filled first, B from what A left.
//   0: A above the block, B right at full height      (needs HOk, vertical cut first)
//   1: A right of the block, B above at full width    (needs WOk, horizontal cut first)
//   2: A right at full height, B above the block      (as 0)
//   3: A above at full width, B right of the block    (as 1)
struct CandidateRects {
    CalRect A;
    CalRect B;
};
// Inline: asked at every cutting candidate of the recursive engines.
inline CandidateRects CandidateRectsOf(const BlockCorner& c, std::int32_t k, int type)
{
    const CalRect& r = c.Rect;
    switch (type) {
        case 0: return {{r.X0, c.T, c.R - k, r.Y1}, {c.R, r.Y0, r.X1, r.Y1}};
        case 1: return {{c.R, r.Y0, r.X1, c.T - k}, {r.X0, c.T, r.X1, r.Y1}};
        case 2: return {{c.R, r.Y0, r.X1, r.Y1}, {r.X0, c.T, c.R - k, r.Y1}};
        default: return {{r.X0, c.T, r.X1, r.Y1}, {c.R, r.Y0, r.X1, c.T - k}};
    }
}

// The types at positions 1 to 4 with four candidates (candidate flag 1): of 0 and 2, and of
// 1 and 3, the one whose first sub-rectangle is smaller comes first.
inline std::array<int, 4> CandidateOrder(const BlockCorner& c, std::int32_t k)
{
    const CalRect& r = c.Rect;
    // 64 bits: products of two lengths pass 2^31 on large boards.
    const bool zeroFirst = static_cast<std::int64_t>(c.R - k - r.X0) * (r.Y1 - c.T) <=
                           static_cast<std::int64_t>(r.X1 - c.R) * (r.Y1 - r.Y0);
    const bool oneFirst = static_cast<std::int64_t>(c.T - k - r.Y0) * (r.X1 - c.R) <=
                          static_cast<std::int64_t>(r.Y1 - c.T) * (r.X1 - r.X0);
    return {zeroFirst ? 0 : 2, oneFirst ? 1 : 3, zeroFirst ? 2 : 0, oneFirst ? 3 : 1};
}

// One way of filling the remainder.
struct RemainderAttempt {
    int Type = -1;                  // 0..3 for a candidate; -1 for a one-sided remainder or none
    COutData Record;                // placements, areas and cut lines of the sub-rectangles
    BuzaiLists Left;                // what is unplaced afterwards
    std::array<CUTMARK, 2> Cuts{};  // the two lines between the block and the sub-rectangles
    bool PlacedInA = false;         // the first sub-rectangle received a block
    bool PartsLeftAfterA = false;   // list 0 still held entries after the first sub-rectangle
    double PartsAreaA = 0.0;        // placed in the first sub-rectangle
    double TotalAreaA = 0.0;
    double AreaA = 0.0;  // area of the first sub-rectangle

    // An attempt that placed nothing and leaves `working`, keeping the storage of its lists.
    void Reset(const BuzaiLists& working, std::int32_t boardNo)
    {
        ResetBeforeFill(boardNo);
        Left = working;
    }
    // As Reset, but Left keeps what it holds: a fill is about to write it.
    // Names every other field: a new field is reset here too.
    void ResetBeforeFill(std::int32_t boardNo)
    {
        Type = -1;
        Record.ClearKeepingStorage(boardNo);
        Cuts = {};
        PlacedInA = false;
        PartsLeftAfterA = false;
        PartsAreaA = 0.0;
        TotalAreaA = 0.0;
        AreaA = 0.0;
    }

    // The measures P, p, Q, q of the block engine's comparison.
    double P() const { return Record.PartsArea; }
    double Q() const { return Record.TotalArea; }
    double p() const { return PlacedInA && AreaA > 0.0 ? PartsAreaA / AreaA : 0.0; }
    double q() const { return PlacedInA && AreaA > 0.0 ? TotalAreaA / AreaA : 0.0; }
};

// Lays out one sub-rectangle from `in` into `record` (adding to it), fills `out` with what is
// left; nonzero when something was placed. Or, when it placed nothing, kLeftAsIs without writing
// `out` (which then stands for `in`): a rectangle that no part fits costs no copy of the lists.
inline constexpr int kLeftAsIs = -1;
using FillRect =
    std::function<int(const BuzaiLists& in, BuzaiLists& out, COutData& record, const CalRect& rect)>;
// Whether `next` replaces `best` as the chosen candidate.
using PreferAttempt = std::function<bool(const RemainderAttempt& best, const RemainderAttempt& next)>;

// The block engine's rule: larger P, else larger p, else larger Q, else larger q (1e-9 equal).
bool ByBlockMeasures(const RemainderAttempt& best, const RemainderAttempt& next);

// Fills what is right of and above the block. With room on both sides the candidates are tried
// (candidateFlag 0: types 0 and 1; 1: the four of CandidateOrder, positions 3 and 4 only after
// 1 and 2 placed something in A and left parts over) and the preferred one is returned. With room
// on one side only that side is filled when the cutting limit permits. `boardNo` is kept in the
// records of the attempts.
RemainderAttempt FillRemainder(const BlockCorner& corner, std::int32_t kerf, int candidateFlag,
                               const BuzaiLists& working, std::int32_t boardNo, const FillRect& fill,
                               const PreferAttempt& prefer);

// The working storage of FillRemainderInto. Recursive engines keep one per level so that the
// attempts reuse their buffers instead of allocating new ones.
struct RemainderScratch {
    RemainderAttempt Trial;
    BuzaiLists AfterA;
};

// Lets FillRemainderInto leave out fills that cannot change its choice (branch and bound). Both
// choosing rules compare parts areas (list 0) first, and an attempt that places less than another
// is never preferred to it. So an attempt is not completed once it cannot place more than the
// chosen one or than Need, and every fill is told through ChildNeed what it must reach to be of
// use; a fill that falls short of that may return any valid layout placing less (the engine's
// LayoutBoard must keep to this: take the value on entry, leave out what cannot reach it). The
// chosen attempt is then the same as without the bound whenever the remainder can place Need.
// Areas are whole square millimetres, so the tolerance of the comparisons never blurs a step.
struct RemainderBound {
    // At least the parts area that pieces of `available` area in all can place into `rect`
    // (CCalHaichi::PartsAreaBound).
    std::function<double(const CalRect& rect, double available)> Of;
    // The parts area of the working lists' pieces.
    double Available = 0.0;
    // The caller's use for the remainder begins at this parts area.
    double Need = -std::numeric_limits<double>::infinity();
    // Written before each fill: the parts area the fill must place to be of use, and the parts area
    // of the lists it is given (Available, less what the first sub-rectangle placed; negative when
    // no fill follows). Areas are whole numbers, so the difference is exact.
    LayoutNeed* ChildNeed = nullptr;
    // Attempts left out so far.
    std::int64_t CutOffs = 0;
};

// A search that a budget of fills may end. Once it is spent, a remainder with room on both sides
// keeps the best of the candidates it has filled so far and fills no further one (it fills the
// first allowed one when it has none): the rest of the search then costs a few fills per block.
struct RemainderBudget {
    const std::int64_t* Used = nullptr;  // fills made so far, counted by the engine
    std::int64_t Limit = 0;
    bool Spent() const { return *Used > Limit; }
};

namespace remainder_detail {

inline double AreaOf(const CalRect& r)
{
    return static_cast<double>(r.Width()) * r.Height();
}

// Cut right of the block at full height first, then above the block up to that cut.
inline std::array<CUTMARK, 2> VerticalFirst(const BlockCorner& c, std::int32_t k2)
{
    const std::int32_t x = c.R - k2, y = c.T - k2;
    return {CUTMARK{x, c.Rect.Y0, x, c.Rect.Y1}, CUTMARK{c.Rect.X0, y, x, y}};
}

// Cut above the block at full width first, then right of the block up to that cut.
inline std::array<CUTMARK, 2> HorizontalFirst(const BlockCorner& c, std::int32_t k2)
{
    const std::int32_t x = c.R - k2, y = c.T - k2;
    return {CUTMARK{c.Rect.X0, y, c.Rect.X1, y}, CUTMARK{x, c.Rect.Y0, x, y}};
}

// The first half of a candidate (`rects` of its type): its cuts and, when they are permitted, its
// first sub-rectangle.
// False when the cuts are not permitted: the attempt then places nothing and is still compared.
// When true, the attempt's Left is yet to be written by the fill of the second sub-rectangle, and
// `leftByA` points to what the first left: `afterA`, or `working` when the fill left it as it was.
template <class Fill>
bool TryFirstHalf(const BlockCorner& corner, std::int32_t kerf, int type, const CandidateRects& rects,
                  const BuzaiLists& working, std::int32_t boardNo, const Fill& fill, BuzaiLists& afterA,
                  RemainderAttempt& attempt, const BuzaiLists*& leftByA)
{
    attempt.ResetBeforeFill(boardNo);
    attempt.Type = type;
    const bool vertical = type == 0 || type == 2;
    attempt.Cuts = vertical ? VerticalFirst(corner, kerf / 2) : HorizontalFirst(corner, kerf / 2);
    if (!(vertical ? corner.HOk : corner.WOk)) {
        attempt.Left = working;
        return false;
    }

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
template <class Fill>
void FillSecondHalf(const Fill& fill, const BuzaiLists& in, BuzaiLists& spare, RemainderAttempt& attempt,
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

}  // namespace remainder_detail

// FillRemainder writing the chosen attempt into `chosen`; `chosen` and `scratch` only lend their
// storage, their contents are replaced. `working` must not lie in either of them. With a bound,
// false when no attempt could reach its Need (`chosen` is then undefined); true otherwise.
// The fill and the rule are any callables of FillRect's and PreferAttempt's forms: the engines
// pass their lambdas, which the attempts then call directly, millions of times a board.
template <class Fill, class Prefer>
bool FillRemainderInto(const BlockCorner& corner, std::int32_t kerf, int candidateFlag,
                       const BuzaiLists& working, std::int32_t boardNo, const Fill& fill,
                       const Prefer& prefer, RemainderScratch& scratch, RemainderAttempt& chosen,
                       RemainderBound* bound = nullptr, const RemainderBudget* budget = nullptr)
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
            if (remainder_detail::TryFirstHalf(corner, kerf, types[pos], rects, working, boardNo, fill,
                                               scratch.AfterA, attempt, leftByA)) {
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
                remainder_detail::FillSecondHalf(fill, *leftByA, scratch.AfterA, attempt, rects.B);
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
        chosen.Cuts = remainder_detail::VerticalFirst(corner, kerf / 2);
    } else if (roomAbove) {
        chosen.Cuts = remainder_detail::HorizontalFirst(corner, kerf / 2);
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

// Appends the chosen attempt to the layout: its placements and areas, its two cut lines, then the
// cut lines of its record. An attempt that placed nothing adds nothing, not even its cuts.
void AddRemainder(const RemainderAttempt& chosen, COutData& layout);
