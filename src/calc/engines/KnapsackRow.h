#pragma once

#include <cstddef>
#include <cstdint>

namespace boardsearch {

// One group of the knapsack along a strip: next[c] becomes the best of prev[c] (the group left
// out), prev[c - w[0]] + v[0] and prev[c - w[1]] + v[1], option 0 first and an equal value
// keeping what it has; row[c] says which (0 left out, o + 1 option o). An option of weight `cells`
// or more is absent.
// Every cell reads only prev, so the cells may be taken four at a time where the processor has
// the instructions (`wide`): the same additions and comparisons per cell, the same values.
void KnapsackRow(const double* prev, double* next, std::uint8_t* row, std::size_t cells, const std::size_t w[2],
                 const double v[2], bool wide = true);

// Whether `wide` takes the cells four at a time on this processor.
bool WideKnapsackRows();

}  // namespace boardsearch
