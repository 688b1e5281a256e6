#pragma once

#include <cstdint>
#include <vector>

#include "base/CalIndex.h"

class CBuzaiList;
class CCalData;
class CRetData;

// Part rows the engines cannot tell apart — the same width, length and 横置きしない flag within
// one group (so one kind and thickness); names and remarks may differ — laid out as one entry
// with their summed count. A parts list exported one row per piece or per cabinet has hundreds
// of them, and the engines would otherwise search as many entries, one board at a time.
struct SameRows {
    std::int32_t Number = 0;       // the merged entry: the first of the rows
    std::vector<CAL_BUZAI> Rows;   // {row, count, 0} in list order, the first included
};

// Merges the group's parts (list 0): each entry takes the place of the first of its rows and holds
// at most the count a row of a parts file may have (the rows past it make the next entry). Returns
// the merged entries of more than one row; none when every row is distinct (the group unchanged).
std::vector<SameRows> MergeSameRows(CCalData& group, const CBuzaiList& parts);

// Gives the pieces of the merged entries of a group's result back to their rows: layout by layout
// in the result's order, board by board within a layout's repeat count, block by block and along
// x first within a block (the order LayoutPieces lists them), the first row's pieces first, then
// the next row's. A block whose pieces go to several rows becomes one block per run of pieces of
// one row (at most three per run: the rest of a line, whole lines, the start of a line); boards
// whose pieces differ become layouts of their own. The rows' unplaced pieces take the merged
// entry's place among the unplaced parts. `kerf` spaces the pieces within a block.
void SplitOntoRows(CRetData& ret, const std::vector<SameRows>& merged, const CBuzaiList& parts,
                   std::int32_t kerf);
