#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/CalIndex.h"
#include "result/OutData.h"

class CBuzaiList;
class CGenban;

// One piece of a layout on the untrimmed board, 0.1 mm, [X0, X1) x [Y0, Y1).
struct CutPiece {
    std::int32_t X0 = 0;
    std::int32_t Y0 = 0;
    std::int32_t X1 = 0;
    std::int32_t Y1 = 0;
    std::int32_t Number = 0;  // part number in its list
    std::int32_t List = 0;    // 0 parts, 1 secondary parts
    std::int32_t Rotated = 0;

    friend bool operator==(const CutPiece&, const CutPiece&) = default;
};

// One saw cut straight through one rectangle of the board. Axis 0: the cut runs along y and
// divides x at Position; axis 1: it runs along x and divides y. The saw takes [Position,
// Position + Width): Width is the kerf, or less where the cut runs along the rectangle's edge
// (the rest of the blade is outside the material). From..To is the rectangle's extent along
// the cut. Stage 1 cuts go through the whole trimmed board, stage n + 1 cuts through a
// rectangle that stage n cuts made. It only looks like CUTMARK (OutData.h), the line an engine
// records: a plan's cuts come from the pieces (the recorded lines only choose the first stage's way).
struct SawCut {
    int Stage = 1;
    int Axis = 0;
    std::int32_t Position = 0;
    std::int32_t Width = 0;
    std::int32_t From = 0;
    std::int32_t To = 0;

    friend bool operator==(const SawCut&, const SawCut&) = default;
};

// How one layout is sawn: the cuts in an order a saw can execute (each rectangle is cut up
// completely before the saw goes on with the rest it came from) and the pieces in the order
// the cuts set them free.
struct CutPlan {
    std::vector<SawCut> Cuts;
    std::vector<CutPiece> Pieces;
};

// The smallest offcut a shop keeps, 0.1 mm, in either direction of the offcut; 0 keeps none.
struct OffcutSize {
    std::int32_t Width = 3000;
    std::int32_t Length = 3000;

    friend bool operator==(const OffcutSize&, const OffcutSize&) = default;
};

// What sawing one sheet of a layout by its cut plan gives: the plan, the offcuts kept
// (LayoutOffcuts), the number of cuts and their length. Planned is false, and the rest empty
// but for the reason, when the layout cannot be cut apart or names a board or part that is not
// in its lists.
struct LayoutSawing {
    bool Planned = false;
    std::vector<SawCut> Cuts;      // the plan's, in its order
    std::vector<CutPiece> Pieces;  // in the order the cuts set them free
    std::vector<CalRect> Offcuts;
    std::int64_t CutCount = 0;
    std::int64_t CutTenths = 0;  // the saw's path through the material: Σ cut extents, 0.1 mm
    double CutLengthMm = 0.0;    // the same in mm
    std::string Problem;         // why the pieces cannot be cut apart (BuildCutPlan)
    std::string Fault;           // a part outside its list (the CalcError's text)
};
using ResultSawing = std::vector<LayoutSawing>;

// A result's saw plan as it is kept with the result (PlanSawing), with what it was made for: a
// plan of other patterns, another kerf or another smallest offcut than the result's is stale
// and is not read (SawingOf).
struct KeptSawing {
    std::int32_t Kerf = 0;
    OffcutSize Least;
    std::vector<COutData> Layouts;  // the result's layouts as planned
    ResultSawing Plans;             // one per layout
};

// The trimmed board: x from the left trim to width - right trim, y from the top trim to
// length - bottom trim.
CalRect TrimmedBoard(const CGenban& board);

// A recorded cut line as drawn and cut: nothing when it lies on or outside the trimmed board,
// else clipped to it.
std::optional<CUTMARK> ClipCutLine(const CUTMARK& line, const CalRect& trimmed);

// Every piece of the layout's blocks, block by block, along x first. CalcError when a block
// names a part that is not in its list.
std::vector<CutPiece> LayoutPieces(const COutData& layout, const CBuzaiList& buzai, const CBuzaiList& ybuzai,
                                   std::int32_t kerf);

// The complete guillotine cut tree of the pieces on the trimmed board: kerf-wide cuts straight
// through the current rectangle that cross no piece, every piece cut to its exact edges. The
// first stage runs the way of the recorded cut lines that cross the whole trimmed board;
// without one, the way that needs fewer stages (then fewer cuts). Returns "" with `plan`
// filled, or what made the layout impossible to cut (pieces overlapping, closer than the kerf
// with no straight cut between them, outside the board).
// The saw's path through the material of one sheet: Σ To − From of the plan's cuts, 0.1 mm.
std::int64_t CutLengthTenths(const CutPlan& plan);

std::string BuildCutPlan(const std::vector<CutPiece>& pieces, const CalRect& trimmed, std::int32_t kerf,
                         const std::vector<CUTMARK>& recorded, CutPlan& plan);
