#pragma once

#include <cstddef>
#include <utility>
#include <vector>

// The pairwise exchange sort of the layouts and the row: every later element that `before` puts
// ahead of the one at position i is swapped into i. Not stable; the results depend on exactly
// this order of exchanges.
template <class T, class Before>
void ExchangeSort(std::vector<T>& items, Before before)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (std::size_t k = i + 1; k < items.size(); ++k) {
            if (before(items[k], items[i])) {
                std::swap(items[i], items[k]);
            }
        }
    }
}
