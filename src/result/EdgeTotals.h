#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CEdgeList;
class CRetData;

// The band one result uses: metres over its placed pieces and their cost.
struct EdgeUse {
    std::string Code;
    std::string Name;
    double Metres = 0.0;
    long long Cost = 0;  // metres × price per metre, rounded to the yen
};

// What the bands of a result come to, the whole job and each layout (its pieces on one board
// times its repeat), each in the order of the band table and only with the bands used. A piece's
// banded edge counts its finished length (上 and 下 the width as entered, 左 and 右 the length)
// plus the band's allowance. The result's lists are at cut sizes (CutSizeList).
struct EdgeTotals {
    std::vector<EdgeUse> Job;
    std::vector<std::vector<EdgeUse>> Layouts;
    long long Cost() const;
};
EdgeTotals CountEdges(const CRetData& ret, const CEdgeList& edges);

// The lines the summaries show of them: each band ("エッジ A  PVC 0.5   12.3 m   494円"), the bands'
// cost and the cost of boards and bands together.
std::vector<std::string> EdgeTotalsLines(const EdgeTotals& totals, const CRetData& ret);
