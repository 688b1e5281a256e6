#include "result/PlanChoice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "result/RetData.h"

namespace {

// A group's result as the choice sees it: price, parts area, board area and pieces left.
CRetData Result(std::int64_t price, double partsArea = 100.0, double boardArea = 200.0, std::int32_t left = 0)
{
    CRetData r;
    r.TotalPrice = price;
    r.PartsArea = partsArea;
    r.TotalArea = partsArea;
    r.BoardArea = boardArea;
    if (left > 0) {
        r.Unplaced.push_back({0, left, 0});
    }
    return r;
}

struct Option {
    CRetData Ret;
    std::int64_t Cuts;
    std::int64_t Patterns;
};

std::vector<PlanCandidate> Candidates(const std::vector<Option>& options)
{
    std::vector<PlanCandidate> candidates;
    for (const Option& o : options) {
        candidates.push_back({&o.Ret, {o.Cuts, 0.0, o.Patterns}});
    }
    return candidates;
}

}  // namespace

TEST(PlanChoice, WithinToleranceCutsTheSamePartsAtNearlyTheBestPrice)
{
    struct Case {
        const char* name;
        CRetData c, best;
        int percent;
        bool noRate, within;
    };
    const Case cases[] = {
        {"the same price", Result(1000), Result(1000), 2, false, true},
        {"exactly 2 % dearer", Result(1020), Result(1000), 2, false, true},
        {"just past 2 %", Result(1021), Result(1000), 2, false, false},
        {"cheaper", Result(900), Result(1000), 0, false, true},
        {"0 %: only the same price", Result(1001), Result(1000), 0, false, false},
        {"a piece more left", Result(1000, 100.0, 200.0, 1), Result(1000), 20, false, false},
        {"a piece fewer left", Result(1000), Result(1000, 100.0, 200.0, 1), 20, false, false},
        {"other parts area", Result(1000, 99.0), Result(1000), 20, false, false},
        {"parts area apart only by rounding", Result(1000, 100.0 * (1 + 1e-13)), Result(1000), 2, false,
         true},
        {"prices off: board area 2 % more", Result(0, 100.0, 204.0), Result(0, 100.0, 200.0), 2, true, true},
        {"prices off: board area 2.5 % more", Result(0, 100.0, 205.0), Result(0, 100.0, 200.0), 2, true,
         false},
        {"prices off: the price is not looked at", Result(5000, 100.0, 200.0), Result(0, 100.0, 200.0), 2,
         true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WithinPlanTolerance(c.c, c.best, c.percent, c.noRate), c.within);
    }
}

TEST(PlanChoice, PicksByItsKindWithinTheTolerance)
{
    struct Case {
        const char* name;
        std::vector<Option> options;  // the first is the group's best
        PlanKind kind;
        std::size_t pick;
    };
    const Case cases[] = {
        {"cheapest is always the best",
         {{Result(1000), 40, 5}, {Result(1000), 10, 1}},
         PlanKind::Cheapest,
         0},
        {"fewer cuts within 2 %", {{Result(1000), 40, 5}, {Result(1015), 30, 5}}, PlanKind::FewestCuts, 1},
        {"fewer cuts but too dear", {{Result(1000), 40, 5}, {Result(1030), 30, 5}}, PlanKind::FewestCuts, 0},
        {"fewer cuts but a piece left",
         {{Result(1000), 40, 5}, {Result(1000, 100.0, 200.0, 1), 30, 5}},
         PlanKind::FewestCuts,
         0},
        {"the fewest of several",
         {{Result(1000), 40, 5}, {Result(1010), 35, 5}, {Result(1020), 31, 6}},
         PlanKind::FewestCuts,
         2},
        {"equal cuts: the cheaper",
         {{Result(1000), 40, 5}, {Result(1020), 30, 5}, {Result(1010), 30, 5}},
         PlanKind::FewestCuts,
         2},
        {"equal cuts and price: fewer patterns",
         {{Result(1000), 40, 5}, {Result(1010), 30, 4}, {Result(1010), 30, 3}},
         PlanKind::FewestCuts,
         2},
        {"all equal: the earlier",
         {{Result(1000), 40, 5}, {Result(1010), 30, 4}, {Result(1010), 30, 4}},
         PlanKind::FewestCuts,
         1},
        {"the best has the fewest cuts",
         {{Result(1000), 20, 5}, {Result(1010), 30, 2}},
         PlanKind::FewestCuts,
         0},
        {"fewest patterns",
         {{Result(1000), 40, 5}, {Result(1010), 45, 3}, {Result(1005), 30, 4}},
         PlanKind::FewestPatterns,
         1},
        {"equal patterns: the cheaper",
         {{Result(1000), 40, 5}, {Result(1010), 30, 3}, {Result(1005), 50, 3}},
         PlanKind::FewestPatterns,
         2},
        {"equal patterns and price: fewer cuts",
         {{Result(1000), 40, 5}, {Result(1010), 50, 3}, {Result(1010), 45, 3}},
         PlanKind::FewestPatterns,
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PickPlan(Candidates(c.options), c.kind, 2, false), c.pick);
    }
}

TEST(PlanChoice, PricesOffRankByBoardArea)
{
    // The price is 0 throughout; the smaller board area wins a tie of cuts.
    const std::vector<Option> options = {
        {Result(0, 100.0, 200.0), 40, 5}, {Result(0, 100.0, 203.0), 30, 5}, {Result(0, 100.0, 201.0), 30, 5}};
    EXPECT_EQ(PickPlan(Candidates(options), PlanKind::FewestCuts, 2, true), 2u);
    EXPECT_EQ(PickPlan(Candidates(options), PlanKind::FewestCuts, 0, true), 0u);
}

TEST(PlanChoice, FewerCutsOnATieOfPriceAndYield)
{
    struct Case {
        const char* name;
        std::vector<Option> options;
        std::size_t pick;
    };
    const Case cases[] = {
        {"same price and yield, fewer cuts", {{Result(1000), 40, 5}, {Result(1000), 30, 5}}, 1},
        {"more cuts", {{Result(1000), 40, 5}, {Result(1000), 50, 5}}, 0},
        {"the same cuts: the best stays", {{Result(1000), 40, 5}, {Result(1000), 40, 1}}, 0},
        {"cheaper is no tie", {{Result(1000), 40, 5}, {Result(990), 30, 5}}, 0},
        {"dearer", {{Result(1000), 40, 5}, {Result(1001), 30, 5}}, 0},
        {"other yield", {{Result(1000), 40, 5}, {Result(1000, 100.0, 210.0), 30, 5}}, 0},
        {"a piece more left", {{Result(1000), 40, 5}, {Result(1000, 100.0, 200.0, 1), 30, 5}}, 0},
        {"the fewest of the ties", {{Result(1000), 40, 5}, {Result(1000), 35, 5}, {Result(1000), 32, 9}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FewerCutsOnTie(Candidates(c.options)), c.pick);
    }
}
