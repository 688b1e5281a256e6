#pragma once

#include <vector>

// The linear relaxation of covering demands with patterns:
//   minimise  sum_j cost_j x_j   subject to  sum_j a_ij x_j >= demand_i,  x_j >= 0.
// A revised simplex on a dense basis inverse, started from artificial columns of a high cost;
// a demand that no column covers keeps its artificial column (Covered false). Deterministic:
// the same columns in the same order give the same solution.
class CoverLp {
public:
    // `artificial`: the cost of covering one piece without a column; above any column's cost.
    CoverLp(std::vector<double> demand, double artificial);

    // Adds a column (one entry per demand) and returns its index.
    int AddColumn(double cost, std::vector<double> column);
    int Columns() const { return static_cast<int>(m_cost.size()); }

    struct Solution {
        std::vector<double> X;      // per column
        std::vector<double> Duals;  // per demand: the price of one more piece
        double Objective = 0.0;     // without the artificial columns' cost
        bool Covered = false;       // every demand met by the columns
        bool Optimal = false;       // false when the pivot limit ended it
        long long Pivots = 0;
    };
    // Starts from the basis the last solve ended with while it still covers the demands (columns
    // are only ever added, so it does as long as they are not changed).
    Solution Solve(int maxPivots = 100000);

private:
    std::vector<double> m_demand;
    double m_artificial = 0.0;
    std::vector<double> m_cost;
    std::vector<std::vector<double>> m_columns;
    std::vector<long long> m_basis;  // column j as j, surplus i as -1 - i, artificial i as -1 - m - i
};
