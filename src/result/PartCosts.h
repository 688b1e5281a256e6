#pragma once

class CBuzaiList;
class CGenbanList;
class CRetData;

// Working count (pieces placed) and working value (their cost by the cost method) of every part
// and secondary part of the result's lists:
//   0 面積: each piece costs the board price times its share of the board area;
//   1 the same, secondary parts 0 yen;
//   2 原板: the board price is shared out over the pieces of the board by their area;
//   3 the same over the parts alone, secondary parts 0 yen.
void FillPartCosts(const CRetData& ret, CBuzaiList& parts, CBuzaiList& secondary, const CGenbanList& boards,
                   int tankaType);
