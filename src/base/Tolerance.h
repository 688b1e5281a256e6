#pragma once

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
