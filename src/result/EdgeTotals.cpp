#include "result/EdgeTotals.h"

#include <algorithm>
#include <cmath>

#include "base/Format.h"
#include "base/TextCodec.h"
#include "result/Money.h"

#include "job/Buzai.h"
#include "job/Edge.h"
#include "result/RetData.h"

namespace {

// Tenths of a millimetre of each band, in table order.
std::vector<long long> BandTenths(const COutData& layout, const CRetData& ret, const CEdgeList& edges)
{
    std::vector<long long> tenths(edges.Items.size(), 0);
    for (const CHaichi& block : layout.Blocks) {
        const CBuzaiList* list = block.List == 0 ? ret.BuzaiList : ret.YBuzaiList;
        if (list == nullptr || block.Number < 0 ||
            static_cast<std::size_t>(block.Number) >= list->Items.size()) {
            continue;
        }
        const CBuzai& part = list->Items[block.Number];
        const long long pieces = static_cast<long long>(block.Nx) * block.Ny;
        const std::array<const std::string*, 4> codes = PartEdges(part);
        for (std::size_t side = 0; side < 4; ++side) {
            if (codes[side]->empty()) {
                continue;
            }
            for (std::size_t band = 0; band < edges.Items.size(); ++band) {
                if (edges.Items[band].Code == *codes[side]) {
                    const std::int32_t edge = side < 2 ? part.FinishedWidth : part.FinishedHeight;
                    tenths[band] += pieces * (edge + edges.Items[band].Allowance);
                    break;
                }
            }
        }
    }
    return tenths;
}

std::vector<EdgeUse> Uses(const std::vector<long long>& tenths, const CEdgeList& edges)
{
    std::vector<EdgeUse> uses;
    for (std::size_t band = 0; band < tenths.size(); ++band) {
        if (tenths[band] == 0) {
            continue;
        }
        const CEdge& edge = edges.Items[band];
        const double metres = tenths[band] / 10000.0;
        uses.push_back({edge.Code, edge.Name, metres, std::llround(metres * edge.Price)});
    }
    return uses;
}

}  // namespace

long long EdgeTotals::Cost() const
{
    long long cost = 0;
    for (const EdgeUse& use : Job) {
        cost += use.Cost;
    }
    return cost;
}

EdgeTotals CountEdges(const CRetData& ret, const CEdgeList& edges)
{
    EdgeTotals totals;
    std::vector<long long> job(edges.Items.size(), 0);
    for (const COutData& layout : ret.Layouts) {
        const std::vector<long long> one = BandTenths(layout, ret, edges);
        std::vector<long long> repeated(one.size());
        for (std::size_t band = 0; band < one.size(); ++band) {
            repeated[band] = one[band] * layout.Repeat;
            job[band] += repeated[band];
        }
        totals.Layouts.push_back(Uses(repeated, edges));
    }
    totals.Job = Uses(job, edges);
    return totals;
}

std::vector<std::string> EdgeTotalsLines(const EdgeTotals& totals, const CRetData& ret)
{
    std::vector<std::string> lines;
    // The names padded to the longest (at least 16 Shift-JIS bytes), so the figures stand in a
    // column and no name loses its end ("ABS 1.0" and "ABS 1.5" told apart).
    long width = 16;
    for (const EdgeUse& use : totals.Job) {
        width = std::max(width, Cp932Length(use.Name));
    }
    for (const EdgeUse& use : totals.Job) {
        std::string name = use.Name;
        name.append(static_cast<std::size_t>(std::max(0L, width - Cp932Length(name))), ' ');
        lines.push_back("エッジ " + use.Code +
                        std::string(static_cast<std::size_t>(std::max(0L, 5 - Cp932Length(use.Code))), ' ') +
                        name + Format("%8.2f m ", use.Metres) + Money(static_cast<double>(use.Cost), 9) +
                        "円");
    }
    lines.push_back("エッジ合計金額   " + Money(static_cast<double>(totals.Cost()), 9) + "円");
    lines.push_back("原板・エッジ合計 " + Money(static_cast<double>(ret.TotalPrice + totals.Cost()), 9) +
                    "円");
    return lines;
}
