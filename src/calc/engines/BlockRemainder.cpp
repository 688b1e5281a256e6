#include "calc/engines/BlockRemainder.h"

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

void TryCandidate(const BlockCorner& corner, std::int32_t kerf, int type, const BuzaiLists& working,
                  std::int32_t boardNo, const FillRect& fill, BuzaiLists& afterA, RemainderAttempt& attempt)
{
    attempt.Reset(working, boardNo);
    attempt.Type = type;
    const bool vertical = type == 0 || type == 2;
    attempt.Cuts = vertical ? VerticalFirst(corner, kerf / 2) : HorizontalFirst(corner, kerf / 2);
    if (!(vertical ? corner.HOk : corner.WOk)) {
        return;  // places nothing, still compared
    }

    const CandidateRects rects = CandidateRectsOf(corner, kerf, type);
    for (auto& list : afterA) {
        list.clear();
    }
    attempt.PlacedInA = fill(working, afterA, attempt.Record, rects.A) != 0;
    attempt.PartsLeftAfterA = !afterA[0].empty();
    attempt.PartsAreaA = attempt.Record.PartsArea;
    attempt.TotalAreaA = attempt.Record.TotalArea;
    attempt.AreaA = AreaOf(rects.A);
    fill(afterA, attempt.Left, attempt.Record, rects.B);
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

void FillRemainderInto(const BlockCorner& corner, std::int32_t kerf, int candidateFlag,
                       const BuzaiLists& working, std::int32_t boardNo, const FillRect& fill,
                       const PreferAttempt& prefer, RemainderScratch& scratch, RemainderAttempt& chosen)
{
    const CalRect& r = corner.Rect;
    const bool roomRight = corner.R < r.X1;
    const bool roomAbove = corner.T < r.Y1;

    if (roomRight && roomAbove) {
        std::array<int, 4> types{0, 1, -1, -1};
        if (candidateFlag != 0) {
            types = CandidateOrder(corner, kerf);
        }
        bool haveBest = false;
        // Positions 1 and 2, which 3 and 4 depend on: placed in A, parts left after A.
        bool placedInA[2] = {false, false};
        bool partsLeftAfterA[2] = {false, false};
        RemainderAttempt& attempt = scratch.Trial;
        for (int pos = 0; pos < 4 && types[pos] >= 0; ++pos) {
            if (pos >= 2 && (!placedInA[pos - 2] || !partsLeftAfterA[pos - 2])) {
                continue;  // not tried, not compared
            }
            TryCandidate(corner, kerf, types[pos], working, boardNo, fill, scratch.AfterA, attempt);
            if (pos < 2) {
                placedInA[pos] = attempt.PlacedInA;
                partsLeftAfterA[pos] = attempt.PartsLeftAfterA;
            }
            if (!haveBest || prefer(chosen, attempt)) {
                std::swap(chosen, attempt);
                haveBest = true;
            }
        }
        return;
    }

    chosen.Reset(working, boardNo);
    if (roomRight) {
        chosen.Cuts = VerticalFirst(corner, kerf / 2);
        if (corner.HOk) {
            fill(working, chosen.Left, chosen.Record, CalRect{corner.R, r.Y0, r.X1, r.Y1});
        }
    } else if (roomAbove) {
        chosen.Cuts = HorizontalFirst(corner, kerf / 2);
        if (corner.WOk) {
            fill(working, chosen.Left, chosen.Record, CalRect{r.X0, corner.T, r.X1, r.Y1});
        }
    }
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
