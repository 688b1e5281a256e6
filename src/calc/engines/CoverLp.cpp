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
    const std::size_t n = m_cost.size();
    Solution s;
    s.X.assign(n, 0.0);
    s.Duals.assign(m, 0.0);
    if (m == 0) {
        s.Covered = s.Optimal = true;
        return s;
    }
    double scale = std::max(1.0, m_artificial);
    for (double c : m_cost) {
        scale = std::max(scale, std::abs(c));
    }
    // Variables: 0..n-1 the columns, n..n+m-1 surplus (-e_i, cost 0), n+m.. artificial (e_i).
    const double big = std::max(m_artificial, scale);
    const double tol = scale * 1e-9;
    const auto cost = [&](std::size_t v) { return v < n ? m_cost[v] : v < n + m ? 0.0 : big; };
    const auto column = [&](std::size_t v) {
        if (v < n) {
            return m_columns[v];
        }
        std::vector<double> e(m, 0.0);
        e[v < n + m ? v - n : v - n - m] = v < n + m ? -1.0 : 1.0;
        return e;
    };
    const auto encode = [&](std::size_t v) {
        return v < n ? static_cast<long long>(v) : -1 - static_cast<long long>(v - n);
    };
    const auto decode = [&](long long code) {
        return code >= 0 ? static_cast<std::size_t>(code) : n + static_cast<std::size_t>(-1 - code);
    };
    std::vector<std::size_t> basis(m);
    std::vector<std::vector<double>> inv;
    std::vector<double> xb(m, 0.0);
    // The last basis again when it is still one and still covers the demands.
    bool warm = m_basis.size() == m;
    if (warm) {
        std::vector<std::vector<double>> cols;
        for (std::size_t r = 0; r < m; ++r) {
            basis[r] = decode(m_basis[r]);
            cols.push_back(column(basis[r]));
        }
        warm = Invert(cols, inv);
        for (std::size_t r = 0; warm && r < m; ++r) {
            double v = 0.0;
            for (std::size_t k = 0; k < m; ++k) {
                v += inv[r][k] * m_demand[k];
            }
            warm = v >= -1e-9;
            xb[r] = std::max(0.0, v);
        }
    }
    if (!warm) {
        inv.assign(m, std::vector<double>(m, 0.0));
        for (std::size_t i = 0; i < m; ++i) {
            basis[i] = n + m + i;
            inv[i][i] = 1.0;
        }
        xb = m_demand;
    }
    std::vector<double> y(m), u(m);
    const auto objective = [&] {
        double z = 0.0;
        for (std::size_t r = 0; r < m; ++r) {
            z += cost(basis[r]) * xb[r];
        }
        return z;
    };
    double lastObjective = objective();
    int stalled = 0;
    s.Optimal = false;
    for (int pivot = 0; pivot < maxPivots; ++pivot) {
        ++s.Pivots;
        if (pivot > 0 && pivot % kRefactor == 0) {
            std::vector<std::vector<double>> cols;
            for (std::size_t v : basis) {
                cols.push_back(column(v));
            }
            if (Invert(cols, inv)) {
                for (std::size_t r = 0; r < m; ++r) {
                    double v = 0.0;
                    for (std::size_t k = 0; k < m; ++k) {
                        v += inv[r][k] * m_demand[k];
                    }
                    xb[r] = std::max(0.0, v);
                }
            }
        }
        for (std::size_t k = 0; k < m; ++k) {
            double v = 0.0;
            for (std::size_t r = 0; r < m; ++r) {
                v += cost(basis[r]) * inv[r][k];
            }
            y[k] = v;
        }
        // The entering variable: the most negative reduced cost, or the first one when stalled.
        const bool bland = stalled >= kStall;
        std::size_t enter = n + 2 * m;
        double bestRc = -tol;
        for (std::size_t v = 0; v < n + 2 * m; ++v) {
            double rc;
            if (v < n) {
                rc = m_cost[v];
                for (std::size_t k = 0; k < m; ++k) {
                    rc -= y[k] * m_columns[v][k];
                }
            } else if (v < n + m) {
                rc = y[v - n];
            } else {
                rc = big - y[v - n - m];
            }
            if (rc < bestRc) {
                enter = v;
                bestRc = rc;
                if (bland) {
                    break;
                }
            }
        }
        if (enter == n + 2 * m) {
            s.Optimal = true;
            break;
        }
        const std::vector<double> a = column(enter);
        for (std::size_t r = 0; r < m; ++r) {
            double v = 0.0;
            for (std::size_t k = 0; k < m; ++k) {
                v += inv[r][k] * a[k];
            }
            u[r] = v;
        }
        std::size_t leave = m;
        double ratio = 0.0;
        for (std::size_t r = 0; r < m; ++r) {
            if (u[r] <= 1e-9) {
                continue;
            }
            const double q = xb[r] / u[r];
            if (leave == m || q < ratio - 1e-12 || (q <= ratio + 1e-12 && basis[r] < basis[leave])) {
                leave = r;
                ratio = q;
            }
        }
        if (leave == m) {
            break;  // unbounded: cannot happen with costs of at least 0
        }
        const double p = u[leave];
        for (std::size_t k = 0; k < m; ++k) {
            inv[leave][k] /= p;
        }
        xb[leave] /= p;
        for (std::size_t r = 0; r < m; ++r) {
            if (r == leave || u[r] == 0.0) {
                continue;
            }
            const double f = u[r];
            for (std::size_t k = 0; k < m; ++k) {
                inv[r][k] -= f * inv[leave][k];
            }
            xb[r] = std::max(0.0, xb[r] - f * xb[leave]);
        }
        basis[leave] = enter;
        const double z = objective();
        if (z < lastObjective - tol) {
            lastObjective = z;
            stalled = 0;
        } else {
            ++stalled;
        }
    }
    s.Covered = true;
    for (std::size_t r = 0; r < m; ++r) {
        const std::size_t v = basis[r];
        if (v < n) {
            s.X[v] = xb[r];
            s.Objective += m_cost[v] * xb[r];
        } else if (v >= n + m && xb[r] > 1e-7) {
            s.Covered = false;
        }
    }
    s.Duals = y;
    m_basis.resize(m);
    for (std::size_t r = 0; r < m; ++r) {
        m_basis[r] = encode(basis[r]);
    }
    return s;
}
