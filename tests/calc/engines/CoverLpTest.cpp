#include "calc/engines/CoverLp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

struct Column {
    double cost;
    std::vector<double> a;
};

CoverLp MakeLp(const std::vector<double>& demand, const std::vector<Column>& columns)
{
    CoverLp lp(demand, 1e4);
    for (const Column& c : columns) {
        lp.AddColumn(c.cost, c.a);
    }
    return lp;
}

// The solution covers every demand with x >= 0, its duals price no column below its cost, and
// the two objectives agree: then it is optimal.
void ExpectOptimal(const std::vector<double>& demand, const std::vector<Column>& columns,
                   const CoverLp::Solution& s)
{
    ASSERT_EQ(s.X.size(), columns.size());
    ASSERT_EQ(s.Duals.size(), demand.size());
    EXPECT_TRUE(s.Optimal);
    double primal = 0.0, dual = 0.0;
    for (std::size_t i = 0; i < demand.size(); ++i) {
        double covered = 0.0;
        for (std::size_t j = 0; j < columns.size(); ++j) {
            covered += columns[j].a[i] * s.X[j];
        }
        EXPECT_GE(covered, demand[i] - 1e-6) << "demand " << i;
        EXPECT_GE(s.Duals[i], -1e-9) << "dual " << i;
        dual += demand[i] * s.Duals[i];
    }
    for (std::size_t j = 0; j < columns.size(); ++j) {
        EXPECT_GE(s.X[j], 0.0) << "column " << j;
        primal += columns[j].cost * s.X[j];
        double priced = 0.0;
        for (std::size_t i = 0; i < demand.size(); ++i) {
            priced += s.Duals[i] * columns[j].a[i];
        }
        EXPECT_LE(priced, columns[j].cost + 1e-6) << "column " << j;
    }
    EXPECT_NEAR(primal, s.Objective, 1e-6);
    EXPECT_NEAR(primal, dual, 1e-6 * std::max(1.0, primal));
}

}  // namespace

TEST(CoverLp, SolvesSmallInstancesByHand)
{
    struct Case {
        const char* name;
        std::vector<double> demand;
        std::vector<Column> columns;
        double objective;
        std::vector<double> duals;
        bool covered;
    };
    const Case cases[] = {
        {"one pattern of three pieces for ten", {10}, {{1, {3}}}, 10.0 / 3, {1.0 / 3}, true},
        {"the cheaper pattern per piece", {6}, {{1, {2}}, {1.2, {3}}}, 2.4, {0.4}, true},
        {"a mixed pattern and a pure one",
         {4, 3},
         {{1, {2, 0}}, {1, {0, 2}}, {1, {1, 1}}},
         3.5,
         {0.5, 0.5},
         true},
        {"one demand no pattern covers", {2, 1}, {{1, {1, 0}}}, 2.0, {1.0, 1e4}, false},
        {"a part not needed costs nothing", {0, 2}, {{5, {1, 1}}, {1, {1, 0}}}, 10.0, {0.0, 5.0}, true},
        {"a pattern that covers more than needed",
         {4, 1},
         {{3, {4, 4}}, {2, {1, 0}}},
         3.0,
         {0.75, 0.0},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoverLp lp = MakeLp(c.demand, c.columns);
        const CoverLp::Solution s = lp.Solve();
        EXPECT_NEAR(s.Objective, c.objective, 1e-9);
        EXPECT_EQ(s.Covered, c.covered);
        ASSERT_EQ(s.Duals.size(), c.duals.size());
        for (std::size_t i = 0; i < c.duals.size(); ++i) {
            EXPECT_NEAR(s.Duals[i], c.duals[i], 1e-9) << "dual " << i;
        }
        if (c.covered) {
            ExpectOptimal(c.demand, c.columns, s);
        }
    }
}

// Random covering problems, as degenerate as cutting patterns are (small integer entries, many
// ties), solved cold and again after every added column from the last basis.
TEST(CoverLp, IsOptimalOnRandomInstancesColdAndWarm)
{
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        const std::size_t m = 2 + random() % 12;
        std::vector<double> demand(m);
        for (double& d : demand) {
            d = static_cast<double>(random() % 40);
        }
        std::vector<Column> columns;
        // Every demand has a pattern; the rest mix a few demands.
        for (std::size_t i = 0; i < m; ++i) {
            Column c{static_cast<double>(5 + random() % 6), std::vector<double>(m, 0.0)};
            c.a[i] = static_cast<double>(1 + random() % 4);
            columns.push_back(c);
        }
        CoverLp warm = MakeLp(demand, columns);
        warm.Solve();
        for (int extra = 0; extra < 30; ++extra) {
            Column c{static_cast<double>(5 + random() % 6), std::vector<double>(m, 0.0)};
            for (int k = 0; k < 3; ++k) {
                c.a[random() % m] += static_cast<double>(random() % 3);
            }
            columns.push_back(c);
            warm.AddColumn(c.cost, c.a);
            const CoverLp::Solution w = warm.Solve();
            ExpectOptimal(demand, columns, w);
            CoverLp cold = MakeLp(demand, columns);
            EXPECT_NEAR(cold.Solve().Objective, w.Objective, 1e-6 * std::max(1.0, w.Objective));
            if (testing::Test::HasFailure()) {
                return;
            }
        }
    }
}

TEST(CoverLp, APivotLimitEndsWithoutClaimingOptimality)
{
    CoverLp lp = MakeLp({5, 5, 5}, {{1, {1, 0, 0}}, {1, {0, 1, 0}}, {1, {0, 0, 1}}, {2, {1, 1, 1}}});
    EXPECT_FALSE(lp.Solve(1).Optimal);
    EXPECT_TRUE(lp.Solve().Optimal);
}
