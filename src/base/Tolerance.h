#pragma once

#include <algorithm>
#include <cmath>

// Yields, areas and price ratios are doubles; two of them within kTolerance count as equal.
inline constexpr double kTolerance = 1e-9;

inline bool DoubleEqual(double a, double b)
{
    return std::fabs(a - b) < kTolerance;
}
inline bool DoubleGreater(double a, double b)
{
    return a - b >= kTolerance;
}
inline bool DoubleLess(double a, double b)
{
    return b - a >= kTolerance;
}

// Figures that may have been summed in another order (a stored result's areas and prices against
// those computed again): equal within kTolerance of the larger size, at least of 1.
inline bool RelativelyEqual(double a, double b)
{
    return std::fabs(a - b) <= kTolerance * std::max({1.0, std::fabs(a), std::fabs(b)});
}
// 1 when a is larger than b by more than kTolerance of the larger (non-negative figures), -1
// when smaller, else 0.
inline int CompareRelative(double a, double b)
{
    const double margin = kTolerance * std::max(a, b);
    return a > b + margin ? 1 : a < b - margin ? -1 : 0;
}
