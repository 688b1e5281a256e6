#include "calc/engines/CoverLp.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Pivots between two fresh computations of the basis inverse.
constexpr int kRefactor = 50;
// Pivots without progress after which the entering column is the first improving one.
constexpr int kStall = 30;

// Inverts the square matrix b (columns given) by Gauss-Jordan with partial pivoting; false when
// it is singular.
bool Invert(const std::vector<std::vector<double>>& columns, std::vector<std::vector<double>>& inverse)
{
    const std::size_t m = columns.size();
    std::vector<std::vector<double>> a(m, std::vector<double>(2 * m, 0.0));
    for (std::size_t r = 0; r < m; ++r) {
        for (std::size_t c = 0; c < m; ++c) {
            a[r][c] = columns[c][r];
        }
        a[r][m + r] = 1.0;
    }
    for (std::size_t c = 0; c < m; ++c) {
        std::size_t p = c;
        for (std::size_t r = c + 1; r < m; ++r) {
            if (std::abs(a[r][c]) > std::abs(a[p][c])) {
                p = r;
            }
        }
        if (std::abs(a[p][c]) < 1e-12) {
            return false;
        }
        std::swap(a[p], a[c]);
        const double d = a[c][c];
        for (double& v : a[c]) {
            v /= d;
        }
        for (std::size_t r = 0; r < m; ++r) {
            if (r == c || a[r][c] == 0.0) {
                continue;
            }
            const double f = a[r][c];
            for (std::size_t k = c; k < 2 * m; ++k) {
                a[r][k] -= f * a[c][k];
            }
        }
    }
    inverse.assign(m, std::vector<double>(m, 0.0));
    for (std::size_t r = 0; r < m; ++r) {
        std::copy(a[r].begin() + static_cast<std::ptrdiff_t>(m), a[r].end(), inverse[r].begin());
    }
    return true;
}

// The revised simplex's state over the problem's columns, the surplus and the artificial
// variables: 0..n-1 the columns, n..n+m-1 surplus (-e_i, cost 0), n+m.. artificial (e_i).
class Simplex {
public:
    Simplex(const std::vector<double>& demand, const std::vector<double>& costs,
            const std::vector<std::vector<double>>& columns, double artificial)
        : m_demand(demand), m_costs(costs), m_columns(columns), m(demand.size()), n(costs.size())
    {
        double scale = std::max(1.0, artificial);
        for (double c : m_costs) {
            scale = std::max(scale, std::abs(c));
        }
        m_big = std::max(artificial, scale);
        m_tol = scale * 1e-9;
        m_basis.resize(m);
        m_xb.assign(m, 0.0);
        m_y.resize(m);
        m_u.resize(m);
    }

    // No variable enters: the basis is optimal.
    std::size_t None() const { return n + 2 * m; }
    double Tolerance() const { return m_tol; }
    const std::vector<double>& Duals() const { return m_y; }

    // The last basis again when it is still one and still covers the demands.
    bool WarmStart(const std::vector<long long>& last)
    {
        if (last.size() != m) {
            return false;
        }
        std::vector<std::vector<double>> cols;
        for (std::size_t r = 0; r < m; ++r) {
            m_basis[r] = Decode(last[r]);
            cols.push_back(Column(m_basis[r]));
        }
        bool warm = Invert(cols, m_inv);
        for (std::size_t r = 0; warm && r < m; ++r) {
            double v = 0.0;
            for (std::size_t k = 0; k < m; ++k) {
                v += m_inv[r][k] * m_demand[k];
            }
            warm = v >= -1e-9;
            m_xb[r] = std::max(0.0, v);
        }
        return warm;
    }
    // Every demand by its artificial column.
    void ColdStart()
    {
        m_inv.assign(m, std::vector<double>(m, 0.0));
        for (std::size_t i = 0; i < m; ++i) {
            m_basis[i] = n + m + i;
            m_inv[i][i] = 1.0;
        }
        m_xb = m_demand;
    }
    // The basis inverse and the basic values computed afresh; kept as they are when singular.
    void Refactor()
    {
        std::vector<std::vector<double>> cols;
        for (std::size_t v : m_basis) {
            cols.push_back(Column(v));
        }
        if (Invert(cols, m_inv)) {
            for (std::size_t r = 0; r < m; ++r) {
                double v = 0.0;
                for (std::size_t k = 0; k < m; ++k) {
                    v += m_inv[r][k] * m_demand[k];
                }
                m_xb[r] = std::max(0.0, v);
            }
        }
    }
    void PriceDemands()
    {
        for (std::size_t k = 0; k < m; ++k) {
            double v = 0.0;
            for (std::size_t r = 0; r < m; ++r) {
                v += Cost(m_basis[r]) * m_inv[r][k];
            }
            m_y[k] = v;
        }
    }
    // The entering variable: the most negative reduced cost, or the first one when `first`
    // (stalled); None() when none is negative.
    std::size_t Entering(bool first) const
    {
        std::size_t enter = None();
        double bestRc = -m_tol;
        for (std::size_t v = 0; v < n + 2 * m; ++v) {
            double rc;
            if (v < n) {
                rc = m_costs[v];
                for (std::size_t k = 0; k < m; ++k) {
                    rc -= m_y[k] * m_columns[v][k];
                }
            } else if (v < n + m) {
                rc = m_y[v - n];
            } else {
                rc = m_big - m_y[v - n - m];
            }
            if (rc < bestRc) {
                enter = v;
                bestRc = rc;
                if (first) {
                    break;
                }
            }
        }
        return enter;
    }
    // The basis row that leaves for `enter` (ratio test, ties to the lower variable); m when
    // none limits it.
    std::size_t Leaving(std::size_t enter)
    {
        const std::vector<double> a = Column(enter);
        for (std::size_t r = 0; r < m; ++r) {
            double v = 0.0;
            for (std::size_t k = 0; k < m; ++k) {
                v += m_inv[r][k] * a[k];
            }
            m_u[r] = v;
        }
        std::size_t leave = m;
        double ratio = 0.0;
        for (std::size_t r = 0; r < m; ++r) {
            if (m_u[r] <= 1e-9) {
                continue;
            }
            const double q = m_xb[r] / m_u[r];
            if (leave == m || q < ratio - 1e-12 || (q <= ratio + 1e-12 && m_basis[r] < m_basis[leave])) {
                leave = r;
                ratio = q;
            }
        }
        return leave;
    }
    // `enter` takes row `leave` of the basis (the column Leaving computed).
    void Pivot(std::size_t leave, std::size_t enter)
    {
        const double p = m_u[leave];
        for (std::size_t k = 0; k < m; ++k) {
            m_inv[leave][k] /= p;
        }
        m_xb[leave] /= p;
        for (std::size_t r = 0; r < m; ++r) {
            if (r == leave || m_u[r] == 0.0) {
                continue;
            }
            const double f = m_u[r];
            for (std::size_t k = 0; k < m; ++k) {
                m_inv[r][k] -= f * m_inv[leave][k];
            }
            m_xb[r] = std::max(0.0, m_xb[r] - f * m_xb[leave]);
        }
        m_basis[leave] = enter;
    }
    double Objective() const
    {
        double z = 0.0;
        for (std::size_t r = 0; r < m; ++r) {
            z += Cost(m_basis[r]) * m_xb[r];
        }
        return z;
    }
    // The columns' values and their cost; false when an artificial column still covers a demand.
    bool Read(std::vector<double>& x, double& objective) const
    {
        bool covered = true;
        for (std::size_t r = 0; r < m; ++r) {
            const std::size_t v = m_basis[r];
            if (v < n) {
                x[v] = m_xb[r];
                objective += m_costs[v] * m_xb[r];
            } else if (v >= n + m && m_xb[r] > 1e-7) {
                covered = false;
            }
        }
        return covered;
    }
    // The basis as CoverLp keeps it: column j as j, surplus i as -1 - i, artificial i as -1 - m - i.
    std::vector<long long> Basis() const
    {
        std::vector<long long> codes(m);
        for (std::size_t r = 0; r < m; ++r) {
            const std::size_t v = m_basis[r];
            codes[r] = v < n ? static_cast<long long>(v) : -1 - static_cast<long long>(v - n);
        }
        return codes;
    }

private:
    double Cost(std::size_t v) const { return v < n ? m_costs[v] : v < n + m ? 0.0 : m_big; }
    std::vector<double> Column(std::size_t v) const
    {
        if (v < n) {
            return m_columns[v];
        }
        std::vector<double> e(m, 0.0);
        e[v < n + m ? v - n : v - n - m] = v < n + m ? -1.0 : 1.0;
        return e;
    }
    std::size_t Decode(long long code) const
    {
        return code >= 0 ? static_cast<std::size_t>(code) : n + static_cast<std::size_t>(-1 - code);
    }

    const std::vector<double>& m_demand;
    const std::vector<double>& m_costs;
    const std::vector<std::vector<double>>& m_columns;
    const std::size_t m;  // demands
    const std::size_t n;  // columns
    double m_big = 0.0;   // the artificial columns' cost
    double m_tol = 0.0;
    std::vector<std::size_t> m_basis;
    std::vector<std::vector<double>> m_inv;  // basis inverse
    std::vector<double> m_xb;                // basic values
    std::vector<double> m_y;                 // duals
    std::vector<double> m_u;                 // the entering column in the basis
};

}  // namespace

CoverLp::CoverLp(std::vector<double> demand, double artificial)
    : m_demand(std::move(demand)), m_artificial(artificial)
{
    for (double& d : m_demand) {
        d = std::max(0.0, d);
    }
}

int CoverLp::AddColumn(double cost, std::vector<double> column)
{
    column.resize(m_demand.size(), 0.0);
    m_cost.push_back(cost);
    m_columns.push_back(std::move(column));
    return static_cast<int>(m_cost.size()) - 1;
}

CoverLp::Solution CoverLp::Solve(int maxPivots)
{
    const std::size_t m = m_demand.size();
    Solution s;
    s.X.assign(m_cost.size(), 0.0);
    s.Duals.assign(m, 0.0);
    if (m == 0) {
        s.Covered = s.Optimal = true;
        return s;
    }
    Simplex simplex(m_demand, m_cost, m_columns, m_artificial);
    if (!simplex.WarmStart(m_basis)) {
        simplex.ColdStart();
    }
    double lastObjective = simplex.Objective();
    int stalled = 0;
    s.Optimal = false;
    for (int pivot = 0; pivot < maxPivots; ++pivot) {
        ++s.Pivots;
        if (pivot > 0 && pivot % kRefactor == 0) {
            simplex.Refactor();
        }
        simplex.PriceDemands();
        const std::size_t enter = simplex.Entering(stalled >= kStall);
        if (enter == simplex.None()) {
            s.Optimal = true;
            break;
        }
        const std::size_t leave = simplex.Leaving(enter);
        if (leave == m) {
            break;  // unbounded: cannot happen with costs of at least 0
        }
        simplex.Pivot(leave, enter);
        const double z = simplex.Objective();
        if (z < lastObjective - simplex.Tolerance()) {
            lastObjective = z;
            stalled = 0;
        } else {
            ++stalled;
        }
    }
    s.Covered = simplex.Read(s.X, s.Objective);
    s.Duals = simplex.Duals();
    m_basis = simplex.Basis();
    return s;
}
