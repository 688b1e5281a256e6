#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "result/RetData.h"

struct LayoutSawing;

// 配置候補: results of one run that cut the same parts at nearly the best price, kept beside the
// best so that the shop can take one that is quicker to saw.

enum class PlanKind { Cheapest, FewestCuts, FewestPatterns };

// What a saw operator compares: the cuts of all sheets (repeat counts included), their length
// and the distinct layouts.
struct PlanFigures {
    std::int64_t Cuts = 0;
    double CutLengthMm = 0.0;
    std::int64_t Patterns = 0;
};

// One group's result among the candidates of its choice.
struct PlanCandidate {
    const CRetData* Ret = nullptr;
    PlanFigures Figures;
};

// The figures of a result from the saw plans of its layouts.
PlanFigures FiguresOf(const CRetData& ret, const std::vector<LayoutSawing>& sawing);

// Whether c cuts the same parts as best (as many pieces left, the same parts area) at a price at
// most `percent` % above best's (the board area when prices are off, noRate).
bool WithinPlanTolerance(const CRetData& c, const CRetData& best, int percent, bool noRate);

// The candidate that `kind` prefers among candidates[0] (the group's best) and those within the
// tolerance of it: the fewest cuts (then the lower price, the fewer patterns) or the fewest
// patterns (then the lower price, the fewer cuts); an earlier candidate wins a tie. 0 for
// Cheapest.
std::size_t PickPlan(const std::vector<PlanCandidate>& candidates, PlanKind kind, int percent, bool noRate);

// 同じ価格なら切断の少ない方: among candidates[0] and those of the same price, parts area, board
// area and pieces left, the one with the fewest cuts (the earlier on a tie).
std::size_t FewerCutsOnTie(const std::vector<PlanCandidate>& candidates);

// Whether two results lay out the same layouts (in the same order) and leave the same parts.
bool SameLayouts(const CRetData& a, const CRetData& b);

// One plan of the job: every group's pick of one kind, put together as the run puts its result.
struct ResultPlan {
    PlanKind Kind = PlanKind::Cheapest;
    CRetData Ret;
    PlanFigures Figures;
};

// "最安", "切断最少", "パターン最少" ("歩留まり最良" for the cheapest when prices are off).
std::string PlanName(PlanKind kind, bool noRate);
// The sheets a result cuts, repeat counts included.
std::int64_t PlanSheets(const CRetData& ret);
// One line of the plans' comparison: "切断最少: 原板 16 枚 75,200円 歩留まり 74.1%(80.2%) パターン 7
// 切断 98 回 40.2 m", the yield of the parts and of every piece (without the price when prices
// are off).
std::string PlanLine(const ResultPlan& plan, bool noRate);
// The heading of the comparison: "配置候補（最安から 2% まで）".
std::string PlansHeading(int percent, bool noRate);
// A cell of the plans' table in 配置結果 (採用, 候補, 原板, 金額, 歩留まり, パターン, 切断回数,
// 切断長); `chosen` marks the plan that is the result.
std::string PlanCellText(const ResultPlan& plan, int column, bool noRate, bool chosen);
// The name of a plan's files: "cheapest", "fewest-cuts", "fewest-patterns".
const char* PlanFileName(PlanKind kind);
