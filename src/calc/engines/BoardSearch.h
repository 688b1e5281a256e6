#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/CalIndex.h"

class CBuzai;
class CCalHaichi;
class COutData;

// The beam search over staged guillotine patterns of one board: strips cut across the whole
// board, columns cut from a strip, pieces stacked in a column. Level 0 two stages (every piece
// as thick as its strip), 1 three (a column's pieces exactly as wide as the column), 2 and 3
// four (narrower pieces trimmed in a column).
namespace boardsearch {

// One way a part lies in the strip frame: its size along the strip and across it.
struct Shape {
    std::int32_t Along = 0;
    std::int32_t Across = 0;
    int Rotated = 0;  // the block's flag
};

// One entry of the remaining lists as the search sees it.
struct Item {
    int List = 0;
    std::size_t Entry = 0;
    std::int32_t Number = 0;  // in its list
    std::int32_t Count = 0;
    double Value = 0.0;  // one piece
    double Area = 0.0;
    int Shapes = 0;
    Shape Ways[2];
};

struct Piece {
    int ItemIndex = 0;
    int Way = 0;
};

// Pieces stacked across in one column; the first one sets the width.
struct Column {
    std::int32_t Width = 0;
    std::vector<Piece> Pieces;
};

struct Strip {
    std::int32_t Thickness = 0;
    std::vector<Column> Columns;
};

struct Pattern {
    std::vector<Strip> Strips;
    double Value = 0.0;
    std::vector<std::int32_t> Used;  // pieces per item
};

struct SearchParams {
    CalRect Rect;              // the trimmed board
    std::int32_t MaxCut = 0;   // cutting limit: a strip direction whose first cuts exceed it is left out
    std::int32_t Kerf = 0;
    int Level = 0;             // the stages, as above
    int Beam = 1;              // nodes kept at every step
    int Branch = 1;            // strip thicknesses tried from every node
    const std::atomic<int>* Stop = nullptr;  // ends the search (required)
};

struct SearchResult {
    std::optional<Pattern> Best;  // none when neither direction is allowed
    int Direction = 0;            // of Best; 0: strips along x
    std::int64_t Work = 0;        // knapsack cells visited: the measure of the effort spent
};

// The best pattern over both strip directions the cutting limit allows (`items` in board
// coordinates: Along = size along x).
SearchResult SearchBoard(const std::vector<Item>& items, const SearchParams& params);

// The items in one strip direction (0: strips along x).
std::vector<Item> ItemsFor(const std::vector<Item>& board, int direction);

// A part as an item on a trimmed board: the ways (as it is, turned) in which it fits; no value
// yet. Shapes 0 when it fits in neither.
Item BoardItem(const CBuzai& part, int list, std::size_t entry, std::int32_t number, std::int32_t count,
               const CalRect& rect);

// Adds the blocks and cut lines of a pattern of strip direction d to `layout`: strips across
// from the low edge of `rect`, columns along each strip. `engine` looks the parts up.
void EmitPattern(const CCalHaichi& engine, const std::vector<Item>& items, const Pattern& pattern, int d,
                 const CalRect& rect, std::int32_t k, COutData& layout);

// Takes `excess[i]` pieces of every item i off a pattern (`items` in its strip frame), the last
// strip and the top of its columns first; columns and strips left empty go, a column narrows to
// its widest piece (the rest moves up: still cuttable).
void TrimPattern(Pattern& pattern, const std::vector<Item>& items, std::vector<std::int32_t> excess);

}  // namespace boardsearch
